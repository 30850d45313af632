// Placing the screen savers, from a scratch "own folder" into a scratch "system folder".
#include "installer_support.h"

#include <algorithm>
#include <optional>

#include "placement.h"

namespace glow {
namespace {

using ::testing::_;
using ::testing::HasSubstr;
using ::testing::StrEq;

class Placement : public InstallerTest {
 protected:
  void SetUp() override {
    InstallerTest::SetUp();
    SwitchTraceOn();
    systemFolder = NewFolder("system");
  }
  bool Place(const char* productName = "Foo") {
    InstallerApp app;
    app.m_lpCmdLine = const_cast<char*>("");
    EXPECT_TRUE(app.StartUp());
    InstallSettings settings = app.settings();
    settings.productName.Assign(productName);
    run.emplace();  // each placement is a run of its own
    return PlaceScreenSavers(settings, systemFolder.c_str(), &scrPath, &*run);
  }
  // Names in the order the folder search gives them.
  std::vector<std::string> SearchOrder(const std::string& pattern, const std::string& where = "") {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA(((where.empty() ? ownFolder : where) + "\\" + pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
    return names;
  }
  std::string systemFolder;
  PathText scrPath;
  std::optional<InstallRun> run;
};

TEST_F(Placement, TavoScrGoesInAloneUnderTheProductName) {
  WriteFileBytes(ownFolder + "\\TAVO.scr", std::string(3000, 't'));
  WriteFileBytes(ownFolder + "\\Other.scr", "other");
  ASSERT_TRUE(Place("Foo"));
  const std::string target = systemFolder + "\\Foo.scr";
  EXPECT_EQ(scrPath.c_str(), target);
  EXPECT_EQ(run->copyScrPath.c_str(), target);
  EXPECT_EQ(ReadFileBytes(target), std::string(3000, 't'));
  EXPECT_FALSE(FileExists(systemFolder + "\\Other.scr"));
  EXPECT_FALSE(FileExists(systemFolder + "\\TAVO.scr"));
  EXPECT_EQ(run->estimatedSize, 2u);
  EXPECT_EQ(LinesWith("[Glowset][Notify]file exist, directly copy @ InitInstance -> " + ownFolder + "\\TAVO.scr"), 1);
  EXPECT_EQ(LinesWith("[Glowset][Notify]CopyFile done @ InitInstance -> " + target), 1) << AllLines();
}

TEST_F(Placement, AReadOnlyEarlierCopyIsOverwritten) {
  WriteFileBytes(ownFolder + "\\TAVO.scr", "new");
  WriteFileBytes(systemFolder + "\\Foo.scr", "old and read-only");
  ::SetFileAttributesA((systemFolder + "\\Foo.scr").c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_CALL(os, SetFileAttributesA(StrEq(systemFolder + "\\Foo.scr"), FILE_ATTRIBUTE_NORMAL)).Times(2);
  ASSERT_TRUE(Place("Foo"));
  EXPECT_EQ(ReadFileBytes(systemFolder + "\\Foo.scr"), "new");
  EXPECT_EQ(::GetFileAttributesA((systemFolder + "\\Foo.scr").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
}

TEST_F(Placement, EveryScrIsPlacedUnderItsOwnNameAndTheLastFoundIsSelected) {
  for (const char* name : {"b.scr", "a.scr", "c.scr"}) WriteFileBytes(ownFolder + "\\" + name, std::string(2048, 'x'));
  ::CreateDirectoryA((ownFolder + "\\folder.scr").c_str(), nullptr);
  WriteFileBytes(ownFolder + "\\readme.txt", "not a screen saver");
  ASSERT_TRUE(Place());
  const std::vector<std::string> order = SearchOrder("*.scr");
  ASSERT_EQ(order.size(), 3u);
  EXPECT_EQ(run->copyScrPath.c_str(), systemFolder + "\\" + order[0] + "|" + systemFolder + "\\" + order[1] + "|" +
                                          systemFolder + "\\" + order[2]);
  EXPECT_EQ(scrPath.c_str(), systemFolder + "\\" + order[2]);
  EXPECT_STREQ(run->lastScr.c_str(), order[2].c_str());
  EXPECT_EQ(run->estimatedSize, 6u);
  EXPECT_FALSE(FileExists(systemFolder + "\\folder.scr"));
  EXPECT_FALSE(FileExists(systemFolder + "\\readme.txt"));
  EXPECT_EQ(LinesWith("file not exist, use enum folder @ InitInstance"), 1);
}

TEST_F(Placement, AFileThatFailsToCopyIsSkippedAndTheOthersPlaced) {
  WriteFileBytes(ownFolder + "\\one.scr", "1");
  WriteFileBytes(ownFolder + "\\two.scr", "2");
  EXPECT_CALL(os, CreateFileA(_, _, _, _, _, _, _)).Times(::testing::AnyNumber());
  EXPECT_CALL(os, CreateFileA(HasSubstr("\\one.scr"), GENERIC_WRITE, _, _, _, _, _))
      .WillOnce(FailWith(INVALID_HANDLE_VALUE, static_cast<DWORD>(ERROR_SHARING_VIOLATION)));
  ASSERT_TRUE(Place());
  EXPECT_EQ(run->copyScrPath.c_str(), systemFolder + "\\two.scr");
  EXPECT_EQ(LinesWith("[Glowset]CopyFile failed (tszSource) @ CopyFiles -> " + ownFolder + "\\one.scr error: 32 - "), 1)
      << AllLines();
  EXPECT_EQ(LinesWith("[Glowset]CopyFile failed (tszTarget) @ CopyFiles -> " + systemFolder + "\\one.scr error: 32"), 1);
}

TEST_F(Placement, NoScreenSaverAtAllFailsToInstall) {
  ::CreateDirectoryA((ownFolder + "\\only-a-folder.scr").c_str(), nullptr);
  EXPECT_FALSE(Place());
  ASSERT_EQ(os.boxes.size(), 1u);
  EXPECT_EQ(os.boxes[0], "TAVO ScreenSaver Installer: Failed to install!");
  EXPECT_EQ(os.boxTypes[0], static_cast<UINT>(MB_ICONERROR));
  EXPECT_EQ(LinesWith("[Glowset][Notify]InitInstance -> LastScr is empty after enum"), 1);
}

TEST_F(Placement, AFailedDirectCopyFailsToInstall) {
  WriteFileBytes(ownFolder + "\\TAVO.scr", "t");
  EXPECT_CALL(os, WriteFile(_, _, _, _, _)).WillOnce(FailWith(FALSE, static_cast<DWORD>(ERROR_DISK_FULL)));
  EXPECT_FALSE(Place("Foo"));
  EXPECT_FALSE(FileExists(systemFolder + "\\Foo.scr"));  // no part-written copy stays
  EXPECT_EQ(os.boxes.size(), 1u);
  EXPECT_EQ(LinesWith("[Glowset]CopyFile failed (Source) @ InitInstance -> " + ownFolder + "\\TAVO.scr error: 112"), 1);
  EXPECT_EQ(LinesWith("[Glowset]CopyFile failed (Target) @ InitInstance -> " + systemFolder + "\\Foo.scr error: 112"), 1);
}

TEST_F(Placement, TheListGrowsPast2048BytesForHundredsOfFiles) {
  const std::string stem(60, 's');
  for (int i = 0; i < 200; ++i) WriteFileBytes(ownFolder + "\\" + stem + std::to_string(i) + ".scr", "x");
  ASSERT_TRUE(Place());
  const std::string list = run->copyScrPath.c_str();
  EXPECT_GT(list.size(), 2048u * 6);
  EXPECT_EQ(std::count(list.begin(), list.end(), '|'), 199);
}

// When memory runs out the list must still hold exactly what stands in the system folder: the uninstaller
// deletes by it, so a stray separator or an unlisted copy would be left behind for good.
TEST_F(Placement, AListThatCannotGrowRecordsExactlyTheFilesThatStay) {
  const std::string stem(60, 's');
  for (int i = 0; i < 60; ++i) WriteFileBytes(ownFolder + "\\" + stem + std::to_string(i) + ".scr", "x");
  // The list takes a first block and then doubles twice for these 60 paths: fail each of those in turn.
  for (unsigned failing = 1; failing <= 3; ++failing) {
    SCOPED_TRACE(failing);
    systemFolder = NewFolder("system" + std::to_string(failing));
    FailBlockGrowthFrom(failing);
    const bool placed = Place();
    FailBlockGrowthFrom(0);

    std::vector<std::string> listed;
    const std::string list = run->copyScrPath.c_str();
    for (size_t start = 0; start <= list.size() && !list.empty();) {
      const size_t end = std::min(list.find('|', start), list.size());
      listed.push_back(list.substr(start, end - start));
      start = end + 1;
    }
    std::vector<std::string> present;
    for (const std::string& name : SearchOrder("*.scr", systemFolder)) present.push_back(systemFolder + "\\" + name);
    std::sort(present.begin(), present.end());
    std::vector<std::string> sortedListed = listed;
    std::sort(sortedListed.begin(), sortedListed.end());
    EXPECT_EQ(sortedListed, present);
    EXPECT_EQ(std::count(listed.begin(), listed.end(), std::string()), 0) << list;
    EXPECT_EQ(placed, !listed.empty());
    if (placed) EXPECT_EQ(systemFolder + "\\" + run->lastScr.c_str(), listed.back());
    if (!placed) EXPECT_EQ(os.boxes.size(), 1u);
    EXPECT_GE(LinesWith("[Glowset]copied-file list cannot grow, copy removed @ CopyFiles -> "), 1);
    os.boxes.clear();
  }
}

TEST_F(Placement, ADirectCopyTheListCannotHoldIsRemovedAndFailsToInstall) {
  WriteFileBytes(ownFolder + "\\TAVO.scr", "t");
  FailBlockGrowthFrom(1);
  EXPECT_FALSE(Place("Foo"));
  EXPECT_FALSE(FileExists(systemFolder + "\\Foo.scr"));
  EXPECT_EQ(os.boxes.size(), 1u);
  EXPECT_EQ(LinesWith("[Glowset]copied-file list cannot grow, copy removed @ InitInstance -> " + systemFolder +
                      "\\Foo.scr error: 8 - "),
            1)
      << AllLines();
}

TEST_F(Placement, FileSizeIsInWholeKiB) {
  const std::string file = ownFolder + "\\size.bin";
  for (const auto& bytesAndKiB : {std::make_pair(0, 0), std::make_pair(1023, 0), std::make_pair(1024, 1),
                                  std::make_pair(3000, 2), std::make_pair(80512, 78)}) {
    WriteFileBytes(file, std::string(bytesAndKiB.first, 'b'));
    EXPECT_EQ(GetFileMBSize(file.c_str()), static_cast<DWORD>(bytesAndKiB.second)) << bytesAndKiB.first;
  }
  EXPECT_EQ(LinesWith("[Glowset][Notify]file size info @ GetFileMBSize -> " + file +
                      ", n64FileSize: 80512, dwReturn: 78\r\n"),
            1)
      << AllLines();
  EXPECT_EQ(GetFileMBSize((ownFolder + "\\missing.bin").c_str()), 0u);
  EXPECT_EQ(LinesWith("[Glowset]CreateFile failed!! @ GetFileMBSize -> " + ownFolder + "\\missing.bin error: 2 - "), 1);
  EXPECT_CALL(os, GetFileSizeEx(_, _)).WillOnce(FailWith(FALSE, static_cast<DWORD>(ERROR_INVALID_HANDLE)));
  EXPECT_EQ(GetFileMBSize(file.c_str()), 0u);
  EXPECT_EQ(LinesWith("[Glowset]GetFileSizeEx failed!! @ GetFileMBSize -> " + file + " error: 6 - "), 1);
}

}  // namespace
}  // namespace glow
