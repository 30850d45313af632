// Writing the embedded item out, in both folder variants, against the real file system.
#include "test_support.h"

#include "extraction.h"
#include "file_identity.h"

namespace glow {
namespace {

using ::testing::_;
using ::testing::Return;
using ::testing::StrEq;

std::string TestItem() {
  std::string item;
  for (int i = 0; i < 5032; ++i) item += "0123456789abcdef";
  return item;  // what the test program embeds as "UNINSTALL.EXE"
}

class Extraction : public SeamTest {
 protected:
  // The installer's variant writes into the Windows folder its run looked up.
  ExtractionFolder Windows() {
    windows_ = WindowsFolder();
    return ExtractionFolder::Known(windows_.c_str());
  }
  void TearDown() override {
    for (const std::string& path : cleanup_) {
      ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      ::DeleteFileA(path.c_str());
    }
    SeamTest::TearDown();
  }
  std::string Target(const std::string& folder, const std::string& name) {
    cleanup_.push_back(folder + "\\" + name);
    return cleanup_.back();
  }
  std::vector<std::string> cleanup_;
  std::string windows_;
};

// The item as it is, in one write of its whole size; the path is the one line traced.
TEST_F(Extraction, WindowsVariantWritesTheItemByteForByte) {
  const std::string target = Target(WindowsFolder(), "Glowtest Uninstaller.exe");
  EXPECT_CALL(os, WriteFile(_, _, static_cast<DWORD>(TestItem().size()), _, _));
  PathText file;
  file.Assign("Glowtest Uninstaller.exe");
  ASSERT_TRUE(CopyResource(Windows(), "UNINSTALL.EXE", &file));
  EXPECT_EQ(file.c_str(), target);
  EXPECT_EQ(ReadFileBytes(target), TestItem());
  EXPECT_EQ(os.lines, std::vector<std::string>{"[Glow][Notify]tszPath @ CopyResource -> " + target + "\r\n"});
}

TEST_F(Extraction, LauncherVariantFailsAtOnceWhenTheLookupFails) {
  EXPECT_CALL(os, SHGetSpecialFolderPathA(_, _, CSIDL_LOCAL_APPDATA, FALSE))
      .WillOnce(FailWith(FALSE, static_cast<DWORD>(ERROR_ACCESS_DENIED)));
  EXPECT_CALL(os, FindResourceA(_, _, _)).Times(0);
  EXPECT_CALL(os, CreateFileA(_, _, _, _, _, _, _)).Times(0);
  EXPECT_CALL(os, SHCreateDirectoryExA(_, _, _)).Times(0);
  PathText file;
  file.Assign("uninst.tmp");
  EXPECT_FALSE(CopyResource(ExtractionFolder::LocalAppData(), "UNINSTALL.EXE", &file));
  EXPECT_STREQ(file.c_str(), "uninst.tmp");
  EXPECT_EQ(LinesWith("[Glow]CopyResource -> SHGetSpecialFolderPath (CSIDL_LOCAL_APPDATA) failed ! error: 5 - "), 1);
}

TEST_F(Extraction, LauncherVariantCreatesTheFolderAndHoldsAVerifiedCopy) {
  const std::string target = Target(LocalAppDataFolder(), "glowtest-held.tmp");
  EXPECT_CALL(os, SHCreateDirectoryExA(_, StrEq(LocalAppDataFolder()), nullptr));
  PathText file;
  file.Assign("glowtest-held.tmp");
  UniqueFile held;
  ASSERT_TRUE(CopyResource(ExtractionFolder::LocalAppData(), "UNINSTALL.EXE", &file, &held));
  EXPECT_TRUE(held.valid());
  // While held, nobody can write, replace or delete it; reading stays possible.
  EXPECT_EQ(::CreateFileA(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                          0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_FALSE(::DeleteFileA(target.c_str()));
  EXPECT_EQ(ReadFileBytes(target), TestItem());
  held.reset();
  EXPECT_TRUE(::DeleteFileA(target.c_str()));
}

// The launcher's copy runs elevated from a folder the user can write to: it is always a new file, held
// from the handle it was written through; what stood at its path goes first, and a folder there fails it.
TEST_F(Extraction, TheLauncherCopyIsANewFileHeldFromItsWriteHandle) {
  const std::string target = Target(LocalAppDataFolder(), "glowtest-new.tmp");
  WriteFileBytes(target, std::string(200000, 'z'));
  EXPECT_CALL(os, CreateFileA(_, _, _, _, _, _, _)).Times(::testing::AnyNumber());
  {
    ::testing::InSequence order;
    EXPECT_CALL(os, CreateFileA(StrEq(target), GENERIC_WRITE, FILE_SHARE_READ, nullptr, static_cast<DWORD>(CREATE_NEW),
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    EXPECT_CALL(os, ReOpenFile(_, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, 0u));
    EXPECT_CALL(os, ReOpenFile(_, GENERIC_READ, FILE_SHARE_READ, 0u));
  }
  PathText file;
  file.Assign("glowtest-new.tmp");
  UniqueFile held;
  ASSERT_TRUE(CopyResource(ExtractionFolder::LocalAppData(), "UNINSTALL.EXE", &file, &held));
  EXPECT_EQ(ReadFileBytes(target), TestItem());
  ::testing::Mock::VerifyAndClearExpectations(&os);
  held.reset();

  // Without ReOpenFile (before Vista) the written file is opened again by its path.
  EXPECT_CALL(os, HasSystemFunction(_)).WillRepeatedly(::testing::DoDefault());
  EXPECT_CALL(os, HasSystemFunction(real::kReOpenFile)).WillRepeatedly(Return(FALSE));
  EXPECT_CALL(os, ReOpenFile(_, _, _, _)).Times(0);
  file.Assign("glowtest-new.tmp");
  ASSERT_TRUE(CopyResource(ExtractionFolder::LocalAppData(), "UNINSTALL.EXE", &file, &held));
  EXPECT_FALSE(::DeleteFileA(target.c_str()));  // held
  held.reset();
  ::testing::Mock::VerifyAndClearExpectations(&os);

  ::DeleteFileA(target.c_str());
  ::CreateDirectoryA(target.c_str(), nullptr);
  file.Assign("glowtest-new.tmp");
  EXPECT_FALSE(CopyResource(ExtractionFolder::LocalAppData(), "UNINSTALL.EXE", &file, &held));
  EXPECT_EQ(::GetFileAttributesA(target.c_str()) & FILE_ATTRIBUTE_DIRECTORY, static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
  ::RemoveDirectoryA(target.c_str());
  EXPECT_EQ(LinesWith("[Glow]a folder, cannot be replaced @ CopyResource -> " + target + " error: 267 - "), 1)
      << AllLines();
}

TEST_F(Extraction, AHeldCopyThatDiffersFromTheItemFails) {
  Target(LocalAppDataFolder(), "glowtest-changed.tmp");
  EXPECT_CALL(os, ReadFile(_, _, _, _, _)).WillOnce([](HANDLE, LPVOID buffer, DWORD size, LPDWORD read, LPOVERLAPPED) {
    memset(buffer, 'X', size);  // as if someone had changed the file before it was held
    *read = size;
    return TRUE;
  });
  PathText file;
  file.Assign("glowtest-changed.tmp");
  UniqueFile held;
  EXPECT_FALSE(CopyResource(ExtractionFolder::LocalAppData(), "UNINSTALL.EXE", &file, &held));
  EXPECT_FALSE(held.valid());
  EXPECT_STREQ(file.c_str(), "glowtest-changed.tmp");
  EXPECT_EQ(LinesWith("written file differs from the item !"), 1) << AllLines();
}

TEST_F(Extraction, AnExistingTargetIsReplacedAndARefusedCreationFails) {
  const std::string target = Target(WindowsFolder(), "glowtest-existing.exe");
  WriteFileBytes(target, std::string(200000, 'z'));
  PathText file;
  file.Assign("glowtest-existing.exe");
  ASSERT_TRUE(CopyResource(Windows(), "UNINSTALL.EXE", &file));
  EXPECT_EQ(ReadFileBytes(target), TestItem());

  // Windows refuses to create over a read-only file; Wine running as root does not, so the refusal is
  // injected with the error Windows gives.
  EXPECT_CALL(os, CreateFileA(StrEq(target), GENERIC_WRITE | FILE_READ_ATTRIBUTES | DELETE, 0u, nullptr, static_cast<DWORD>(CREATE_ALWAYS), _, _))
      .WillOnce(FailWith(INVALID_HANDLE_VALUE, static_cast<DWORD>(ERROR_ACCESS_DENIED)));
  file.Assign("glowtest-existing.exe");
  EXPECT_FALSE(CopyResource(Windows(), "UNINSTALL.EXE", &file));
  EXPECT_STREQ(file.c_str(), "glowtest-existing.exe");
  EXPECT_EQ(LinesWith("[Glow]CopyResource -> CreateFile failed ! error: 5 - "), 1) << AllLines();
}

TEST_F(Extraction, AFileHeldOpenByAnotherCannotBeReplaced) {
  const std::string target = Target(WindowsFolder(), "glowtest-open.exe");
  WriteFileBytes(target, "old");
  HANDLE other = ::CreateFileA(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  PathText file;
  file.Assign("glowtest-open.exe");
  EXPECT_FALSE(CopyResource(Windows(), "UNINSTALL.EXE", &file));
  ::CloseHandle(other);
  EXPECT_EQ(ReadFileBytes(target), "old");
  EXPECT_EQ(LinesWith("[Glow]CopyResource -> CreateFile failed ! error: 32 - "), 1) << AllLines();
}

TEST_F(Extraction, AnUnknownItemCreatesNoFile) {
  const std::string target = Target(WindowsFolder(), "glowtest-unknown.exe");
  PathText file;
  file.Assign("glowtest-unknown.exe");
  EXPECT_FALSE(CopyResource(Windows(), "NO SUCH ITEM", &file));
  EXPECT_FALSE(FileExists(target));
  EXPECT_EQ(LinesWith("[Glow]CopyResource -> FindResource failed ! error: 1814 - "), 1) << AllLines();
}

TEST_F(Extraction, EachResourceStepFailureIsTracedAtItsPlace) {
  Target(WindowsFolder(), "glowtest-steps.exe");
  PathText file;
  file.Assign("glowtest-steps.exe");
  EXPECT_CALL(os, LoadResource(_, _)).WillOnce(FailWith(static_cast<HGLOBAL>(nullptr), 8u));
  EXPECT_FALSE(CopyResource(Windows(), "UNINSTALL.EXE", &file));
  ::testing::Mock::VerifyAndClearExpectations(&os);
  EXPECT_CALL(os, LockResource(_)).WillOnce(FailWith(static_cast<LPVOID>(nullptr), 8u));
  EXPECT_FALSE(CopyResource(Windows(), "UNINSTALL.EXE", &file));
  ::testing::Mock::VerifyAndClearExpectations(&os);
  // An item without a size is not written at all: no empty file.
  EXPECT_CALL(os, SizeofResource(_, _)).WillOnce(FailWith(0u, static_cast<DWORD>(ERROR_RESOURCE_DATA_NOT_FOUND)));
  EXPECT_CALL(os, CreateFileA(_, _, _, _, _, _, _)).Times(0);
  EXPECT_FALSE(CopyResource(Windows(), "UNINSTALL.EXE", &file));
  ::testing::Mock::VerifyAndClearExpectations(&os);
  EXPECT_CALL(os, WriteFile(_, _, _, _, _)).WillOnce(FailWith(FALSE, static_cast<DWORD>(ERROR_DISK_FULL)));
  EXPECT_FALSE(CopyResource(Windows(), "UNINSTALL.EXE", &file));
  EXPECT_EQ(LinesWith("[Glow]CopyResource -> SizeofResource failed ! error: 1812 - "), 1) << AllLines();
  EXPECT_EQ(LinesWith("[Glow]CopyResource -> LoadResource failed ! error: 8 - "), 1) << AllLines();
  EXPECT_EQ(LinesWith("[Glow]CopyResourceAndRun -> LockResource failed ! error: 8 - "), 1) << AllLines();
  EXPECT_EQ(LinesWith("[Glow]CopyResource -> WriteFile failed ! error: 112 - "), 1) << AllLines();
  EXPECT_STREQ(file.c_str(), "glowtest-steps.exe");
}

TEST_F(Extraction, ANameTooLongForThePathTouchesNothing) {
  EXPECT_CALL(os, CreateFileA(_, _, _, _, _, _, _)).Times(0);
  const std::string name(250, 'n');
  PathText file;
  file.Assign(name.c_str());
  EXPECT_FALSE(CopyResource(Windows(), "UNINSTALL.EXE", &file));
  EXPECT_EQ(file.c_str(), name);
}

// A drive's root is a folder whose final path already ends in a separator: the media an installer is
// run from (a stick, a disc) are often just that.
TEST_F(Extraction, AFileAtTheRootOfADriveIsItselfThere) {
  const std::string path = Target("C:", "glowtest-root.scr");
  WriteFileBytes(path, "r");
  HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(IsItselfAt(file, "C:\\", "glowtest-root.scr")) << ::GetLastError();
  EXPECT_FALSE(IsItselfAt(file, "C:\\", "glowtest-other.scr"));
  ::CloseHandle(file);
}

}  // namespace
}  // namespace glow
