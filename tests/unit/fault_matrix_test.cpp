// Every platform call of an install, a removal and a launcher run is failed in turn, one per run: no
// crash, nothing left open, an outcome the programs promise, and no half-done state they do not allow.
// Above all nothing is lost track of: a placed screen saver that is still there is listed in an existing
// key or deleted at the next restart.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>

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
    ClearPendingRenames();
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

// The launcher's start observed, not carried out, as the launcher tests do: the "uninstaller" reports 0
// through the pipe, so that the run goes on past the start to its end, and every call there can fail too.
class StartObservedOs : public FaultyOs {
 public:
  BOOL CreateProcessA(LPCSTR application, LPSTR commandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL,
                      DWORD, LPVOID, LPCSTR, LPSTARTUPINFOA, LPPROCESS_INFORMATION info) override {
    if (Fails("CreateProcessA")) return FALSE;
    started = application;
    const char* report = strstr(commandLine, "\"/report=");
    const HANDLE pipe = report ? reinterpret_cast<HANDLE>(strtoul(report + 9, nullptr, 10)) : nullptr;
    const DWORD code = 0;
    DWORD written = 0;
    if (pipe) ::WriteFile(pipe, &code, sizeof code, &written, nullptr);
    ::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentProcess(), ::GetCurrentProcess(), &info->hProcess, 0, FALSE,
                      DUPLICATE_SAME_ACCESS);
    ::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentThread(), ::GetCurrentProcess(), &info->hThread, 0, FALSE,
                      DUPLICATE_SAME_ACCESS);
    held += 2;
    return TRUE;
  }
  BOOL QueryFullProcessImageNameA(HANDLE, DWORD, LPSTR name, PDWORD size) override {
    if (Fails("QueryFullProcessImageNameA")) return FALSE;
    strcpy(name, started.c_str());
    *size = static_cast<DWORD>(started.size());
    return TRUE;
  }
  DWORD ResumeThread(HANDLE) override { return Fails("ResumeThread") ? static_cast<DWORD>(-1) : 1; }
  DWORD WaitForSingleObject(HANDLE, DWORD) override { return Fails("WaitForSingleObject") ? WAIT_FAILED : WAIT_OBJECT_0; }
  BOOL GetExitCodeProcess(HANDLE, LPDWORD code) override {
    if (Fails("GetExitCodeProcess")) return FALSE;
    *code = 0;
    return TRUE;
  }
  BOOL TerminateProcess(HANDLE, UINT) override { return Fails("TerminateProcess") ? FALSE : TRUE; }  // never this test

  std::string started;
};

TEST_F(FaultMatrix, EveryCallOfALauncherRun) {
  StartObservedOs clean;
  clean.ownPath = launcher;
  ASSERT_EQ(RunUnder<LauncherApp>(clean, "launcher /d"), kRemovalDone);
  ASSERT_EQ(clean.held, 0);
  ASSERT_TRUE(clean.boxes.empty());
  const int total = clean.calls;
  // Past the start: the run reads the removal's outcome from the pipe.
  ASSERT_NE(std::find(clean.names.begin(), clean.names.end(), "ReadFile"), clean.names.end());
  for (int i = 0; i < total; ++i) {
    StartObservedOs os;
    os.ownPath = launcher;
    os.failAt = i;
    const int code = RunUnder<LauncherApp>(os, "launcher /d");
    const std::string at = "call " + std::to_string(i) + " " + os.failed;
    EXPECT_EQ(os.held, 0) << at << ": left open";
    EXPECT_TRUE((code >= kRemovalDone && code <= kRemovalNotReported) || code == kAnotherRemovalRuns) << at << ": exit " << code;
    // The failures that promise "Failed to uninstall!" show it once, unless showing it is what failed.
    const bool promisesBox = code == kScratchCopyFailed || code == kCommandLineTooLong ||
                             code == kUninstallerNotConfirmed || code == kProductNameUnknown;
    const bool boxCallFailed = os.failed == "MessageBoxA" || os.failed == "GetProcessWindowStation" ||
                               os.failed == "GetUserObjectInformationA";
    if (promisesBox && !boxCallFailed) EXPECT_EQ(os.boxes.size(), 1u) << at;
    if (!promisesBox) EXPECT_TRUE(os.boxes.empty()) << at;
  }
}

}  // namespace
}  // namespace glow
