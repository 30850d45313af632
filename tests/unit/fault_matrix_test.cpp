// Every platform call of an install, a removal and a launcher run is failed in turn, one per run: no
// crash, nothing left open, an outcome the programs promise, and no half-done state they do not allow.
// Above all nothing is lost track of: a placed screen saver that is still there is listed in an existing
// key or deleted at the next restart.
#include <gtest/gtest.h>

#include "exit_codes.h"
#include "faulty_os.h"
#include "installer_app.h"
#include "launcher_app.h"
#include "test_support.h"
#include "trace.h"
#include "uninstaller_app.h"

namespace glow {
namespace {

// No settings file: a failed settings read cannot change the name, so every run is about this one.
const char kProduct[] = "TAVO ScreenSaver";
const std::string kKey = std::string("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + kProduct;
const char kSessionManager[] = "System\\CurrentControlSet\\Control\\Session Manager";

class FaultMatrix : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    own = std::string(temp) + "glowtest-faults";
    RemoveTree(own);
    ::CreateDirectoryA(own.c_str(), nullptr);
    WriteFileBytes(own + "\\TAVO.scr", std::string(3000, 's'));
    placed = NativeSystemFolder() + "\\" + kProduct + ".scr";
    launcher = WindowsFolder() + "\\" + kProduct + " Uninstaller.exe";
  }
  void TearDown() override {
    SetSys(nullptr);
    ResetTraceForTests();
    Clean();
    RemoveTree(own);
  }
  void Clean() {
    // A run that could not tell it is under WOW64, or could not see TAVO.scr, places elsewhere or otherwise.
    for (const std::string& folder : {NativeSystemFolder(), SystemFolder()})
      for (const char* name : {"\\TAVO ScreenSaver.scr", "\\TAVO.scr"}) ::DeleteFileA((folder + name).c_str());
    ::DeleteFileA(launcher.c_str());
    DeleteKeyTree(HKEY_LOCAL_MACHINE, kKey);
    SetScrnSave("before");
    HKEY manager = nullptr;
    ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_SET_VALUE, &manager);
    ::RegDeleteValueA(manager, "PendingFileRenameOperations");
    ::RegCloseKey(manager);
  }
  // Nothing lost track of: wherever a run placed the screen saver (natively, or where redirection sent it),
  // a copy still there is listed by an existing key or deleted at the next restart.
  static std::string Untracked() {
    const std::string listedAs = SystemFolder() + "\\" + kProduct + ".scr";
    const auto names = [&](RegValue value) {  // compared as the system compares paths
      std::string wanted = Wide(listedAs);
      for (std::string* text : {&value.bytes, &wanted})
        for (char& c : *text) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
      return value.exists && value.bytes.find(wanted) != std::string::npos;
    };
    const bool listed = names(ReadRegValue(HKEY_LOCAL_MACHINE, kKey, "CopyScrPath"));
    const bool scheduled = names(ReadRegValue(HKEY_LOCAL_MACHINE, kSessionManager, "PendingFileRenameOperations"));
    for (const std::string& path : {NativeSystemFolder() + "\\" + kProduct + ".scr", listedAs})
      if (FileExists(path) && !listed && !scheduled) return path;
    return "";
  }
  static RegValue ScrnSave() { return ReadScrnSave(); }

  // The selected screen saver exists, seen natively or through redirection.
  static bool SelectedFileExists() {
    const RegValue value = ScrnSave();
    std::string path;
    for (size_t i = 0; i + 1 < value.bytes.size(); i += 2)
      if (value.bytes[i]) path += value.bytes[i];
    const std::string system = SystemFolder();
    const std::string native =
        _strnicmp(path.c_str(), system.c_str(), system.size()) == 0 ? NativeSystemFolder() + path.substr(system.size())
                                                                      : path;
    return !path.empty() && (FileExists(path) || FileExists(native));
  }

  // One run of `program` under `os`; returns its exit code.
  template <typename App>
  int RunUnder(FaultyOs& os, const char* commandLine) {
    SetSys(&os);
    ResetTraceForTests();
    App app;
    std::string line = commandLine;
    const int code = app.Run(&line[0]);
    SetSys(nullptr);
    return code;
  }
  void Install() {
    FaultyOs os;
    os.ownPath = own + "\\Glowset.exe";
    ASSERT_EQ(RunUnder<InstallerApp>(os, "Glowset.exe /d"), kInstalled);
  }

  std::string own, placed, launcher;
};

TEST_F(FaultMatrix, EveryCallOfAnInstall) {
  FaultyOs clean;
  clean.ownPath = own + "\\Glowset.exe";
  ASSERT_EQ(RunUnder<InstallerApp>(clean, "Glowset.exe /d"), kInstalled);
  ASSERT_EQ(clean.held, 0);
  const int total = clean.calls;
  ASSERT_GT(total, 40);
  for (int i = 0; i < total; ++i) {
    Clean();
    FaultyOs os;
    os.ownPath = own + "\\Glowset.exe";
    os.failAt = i;
    const int code = RunUnder<InstallerApp>(os, "Glowset.exe /d");
    const std::string at = "call " + std::to_string(i) + " " + os.failed;
    EXPECT_EQ(os.held, 0) << at << ": left open";
    EXPECT_TRUE(code >= kInstalled && code <= kEarlierRecordUnreadable) << at << ": exit " << code;
    EXPECT_EQ(Untracked(), "") << at << ": placed and not tracked";
    const bool keyThere = KeyExists(HKEY_LOCAL_MACHINE, kKey);
    const bool selected = !StoredTextIs(ScrnSave(), "before");
    if (!FileExists(launcher)) EXPECT_FALSE(keyThere) << at << ": registered without a launcher";
    if (!keyThere) EXPECT_FALSE(selected) << at << ": selected without a record";
    if (code == kInstalled) {
      EXPECT_TRUE(FileExists(launcher) && keyThere && selected && SelectedFileExists()) << at << ": success claimed";
    }
    if (code == kPlacementFailed || code == kProductNameRefused || code == kSettingsUnreadable ||
        code == kEarlierRecordUnreadable)
      EXPECT_EQ(os.boxes.size(), 1u) << at << ": the user must be told";
  }
}

TEST_F(FaultMatrix, EveryCallOfARemoval) {
  Install();
  FaultyOs clean;
  ASSERT_EQ(RunUnder<UninstallerApp>(clean, " /d \"/name=TAVO ScreenSaver\""), kRemoved);
  ASSERT_EQ(clean.held, 0);
  const int total = clean.calls;
  for (int i = 0; i < total; ++i) {
    Clean();
    Install();
    FaultyOs os;
    os.failAt = i;
    const int code = RunUnder<UninstallerApp>(os, " /d \"/name=TAVO ScreenSaver\"");
    const std::string at = "call " + std::to_string(i) + " " + os.failed;
    EXPECT_EQ(os.held, 0) << at << ": left open";
    EXPECT_TRUE(code == kRemoved || code == kRemovalIncomplete || code == kEntryRemains || code == kRemovedAfterRestart)
        << at << ": exit " << code;
    EXPECT_EQ(Untracked(), "") << at << ": placed and not tracked";
    if (code == kRemoved)
      EXPECT_FALSE(FileExists(placed) || FileExists(launcher) || KeyExists(HKEY_LOCAL_MACHINE, kKey))
          << at << ": success claimed";
    // A value that cannot be set does not fail a removal that got to its end.
    if (code == kRemoved && os.failed != "RegSetValueExA")
      EXPECT_TRUE(StoredTextIs(ScrnSave(), "")) << at << ": success claimed";
    // When nothing could be read, nothing was removed.
    if (KeyExists(HKEY_LOCAL_MACHINE, kKey) && FileExists(launcher)) EXPECT_FALSE(StoredTextIs(ScrnSave(), "")) << at;
    EXPECT_TRUE(os.boxes.empty()) << at << ": the uninstaller shows nothing";
  }
}

TEST_F(FaultMatrix, EveryCallOfALauncherRun) {
  FaultyOs clean;
  clean.ownPath = launcher;
  RunUnder<LauncherApp>(clean, "launcher /d");
  ASSERT_EQ(clean.held, 0);
  const int total = clean.calls;
  for (int i = 0; i < total; ++i) {
    FaultyOs os;
    os.ownPath = launcher;
    os.failAt = i;
    const int code = RunUnder<LauncherApp>(os, "launcher /d");
    const std::string at = "call " + std::to_string(i) + " " + os.failed;
    EXPECT_EQ(os.held, 0) << at << ": left open";
    EXPECT_TRUE(code >= kRemovalDone && code <= kProductNameUnknown) << at << ": exit " << code;
    if (code == kScratchCopyFailed || code == kCommandLineTooLong || code == kUninstallerNotConfirmed)
      EXPECT_LE(os.boxes.size(), 1u) << at;
  }
}

}  // namespace
}  // namespace glow
