// Killed anywhere, a rerun converges. Each program (the installer; the launcher with the uninstaller it
// starts, on the waiting path) is ended at once just before and just after each call of a clean run;
// then the same command runs again, cleanly, and the machine must be as a clean run leaves it: the files
// of the system, system-WOW64 and Windows folders and of the scratch folder, the uninstall entry with all
// its values, ScrnSave.exe and PendingFileRenameOperations. Combinations: install killed, then install;
// install killed, then remove; remove killed, then remove through the registered command (else install,
// then remove). The test run takes a fixed sample holding every kind of call; GLOW_CRASH_FULL=1 (scripts/dev
// crash-matrix) takes every point.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <map>
#include <set>

#include "test_support.h"

namespace glow {
namespace {

const char kProduct[] = "TAVO ScreenSaver";
const std::string kKey = std::string("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + kProduct;
const char kOwn[] = "C:\\glowcrash";
const DWORD kRunLimitMs = 20000;

typedef std::map<std::string, std::string> Machine;  // what -> its state

std::string Hex(const std::string& bytes) {
  std::string text;
  char pair[4];
  for (unsigned char c : bytes) {
    snprintf(pair, sizeof pair, "%02x", c);
    text += pair;
  }
  return text;
}

void ListFiles(const std::string& folder, const std::string& label, Machine* machine) {
  WIN32_FIND_DATAA found;
  HANDLE search = ::FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    std::string name = found.cFileName;
    for (char& c : name) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    (*machine)[label + "\\" + name] = std::to_string(found.nFileSizeLow);
  } while (::FindNextFileA(search, &found));
  ::FindClose(search);
}

Machine Snapshot() {
  Machine machine;
  ListFiles(NativeSystemFolder(), "system", &machine);
  if (IsWow64Process()) ListFiles(SystemFolder(), "syswow64", &machine);
  ListFiles(WindowsFolder(), "windows", &machine);
  ListFiles(LocalAppDataFolder(), "scratch", &machine);
  HKEY key = nullptr;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey.c_str(), 0, KEY_READ | KEY_WOW64_32KEY, &key) == ERROR_SUCCESS) {
    machine["entry"] = "exists";
    for (DWORD i = 0;; ++i) {
      char name[256];
      BYTE data[4096];
      DWORD nameSize = sizeof name, dataSize = sizeof data, type = 0;
      if (::RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS) break;
      machine[std::string("entry value ") + name] =
          std::to_string(type) + ":" + Hex(std::string(reinterpret_cast<char*>(data), dataSize));
    }
    ::RegCloseKey(key);
  }
  const RegValue selection = ReadScrnSave();
  machine["ScrnSave.exe"] = selection.exists ? Hex(selection.bytes) : "(none)";
  // A deletion at the next restart of a file that is gone by now changes nothing: only those of files still
  // there count.
  const RegValue pending = ReadRegValue(HKEY_LOCAL_MACHINE, kSessionManager, "PendingFileRenameOperations");
  std::string text;
  for (size_t i = 0; i + 1 < pending.bytes.size(); i += 2) text += pending.bytes[i] ? pending.bytes[i] : '\n';
  size_t at = 0;
  for (bool source = true; at < text.size(); source = !source) {
    const size_t end = text.find('\n', at);
    const std::string path = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
    at = end == std::string::npos ? text.size() : end + 1;
    if (source && path.size() > 4 && FileExists(path.substr(4))) machine["restart deletes " + path] = "pending";
  }
  return machine;
}

std::string Differences(const Machine& expected, const Machine& found) {
  std::string text;
  for (const auto& item : expected) {
    const auto there = found.find(item.first);
    if (there == found.end())
      text += "  missing: " + item.first + "\n";
    else if (there->second != item.second)
      text += "  changed: " + item.first + "\n";
  }
  for (const auto& item : found)
    if (!expected.count(item.first)) text += "  left: " + item.first + "\n";
  return text;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t at = 0, end; at < text.size(); at = end + 1) {
    end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(at, end - at));
  }
  return lines;
}

struct Point {
  std::string role;
  int call;
  bool after;
  std::string name;
};

class CrashMatrix : public ::testing::Test {
 protected:
  void SetUp() override {
    setvbuf(stdout, nullptr, _IONBF, 0);  // what each point did, as it goes
    ::CreateDirectoryA(kOwn, nullptr);
    const char* bin = getenv("GLOW_BIN_DIR");
    ASSERT_TRUE(bin);
    installer = std::string(kOwn) + "\\Glowset.exe";
    ASSERT_TRUE(::CopyFileA((std::string(bin) + "\\crash-installer.exe").c_str(), installer.c_str(), FALSE));
    WriteFileBytes(std::string(kOwn) + "\\TAVO.scr", std::string(3000, 's'));
    launcher = WindowsFolder() + "\\" + kProduct + " Uninstaller.exe";
    callsFile = std::string(kOwn) + "\\calls.txt";
  }

  // The machine as before any install.
  void Clean() {
    for (const std::string& folder : {NativeSystemFolder(), SystemFolder(), WindowsFolder()}) {
      WIN32_FIND_DATAA found;
      HANDLE search = ::FindFirstFileA((folder + "\\TAVO ScreenSaver*").c_str(), &found);
      if (search == INVALID_HANDLE_VALUE) continue;
      do {
        const std::string path = folder + "\\" + found.cFileName;
        ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileA(path.c_str());
      } while (::FindNextFileA(search, &found));
      ::FindClose(search);
    }
    ::DeleteFileA((LocalAppDataFolder() + "\\uninst.tmp").c_str());
    DeleteKeyTree(HKEY_LOCAL_MACHINE, kKey);
    SetScrnSave("before");
    ClearPendingRenames();
  }

  // Runs `command` until it and everything it started have ended; its exit code, or -1 when something
  // still ran after the limit (then ended here).
  long Run(const std::string& command, const std::string& kill) {
    ::SetEnvironmentVariableA("GLOW_CRASH_KILL", kill.empty() ? nullptr : kill.c_str());
    HANDLE job = ::CreateJobObjectA(nullptr, nullptr);
    STARTUPINFOA startup = {sizeof startup};
    PROCESS_INFORMATION info = {};
    std::string line = command;
    if (!::CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr, &startup,
                          &info)) {
      ::CloseHandle(job);
      return -2;
    }
    ::AssignProcessToJobObject(job, info.hProcess);
    ::ResumeThread(info.hThread);
    const DWORD start = ::GetTickCount();
    long code = -1;
    for (;;) {
      JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting = {};
      if (::QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &accounting, sizeof accounting,
                                      nullptr) &&
          accounting.ActiveProcesses == 0) {
        DWORD exit = 0;
        ::GetExitCodeProcess(info.hProcess, &exit);
        code = static_cast<long>(exit);
        break;
      }
      if (::GetTickCount() - start > kRunLimitMs) {
        ::TerminateJobObject(job, 1);
        ::WaitForSingleObject(info.hProcess, 5000);
        break;
      }
      ::Sleep(5);
    }
    ::CloseHandle(info.hThread);
    ::CloseHandle(info.hProcess);
    ::CloseHandle(job);
    return code;
  }

  long Install(const std::string& kill = "") { return Run("\"" + installer + "\"", kill); }

  // The registered uninstall command, when there is one.
  std::string RegisteredCommand() {
    const RegValue command = ReadRegValue(HKEY_LOCAL_MACHINE, kKey, "UninstallString");
    std::string text;
    for (size_t i = 0; i + 1 < command.bytes.size(); i += 2)
      if (command.bytes[i]) text += command.bytes[i];
    return command.exists ? text : "";
  }

  // Remove through the registered command; else install, then remove.
  void RemoveAgain(std::string* problems) {
    if (RegisteredCommand().empty() && Install() != 0) *problems += "  the install before the removal failed\n";
    const long code = Run(RegisteredCommand(), "");
    if (code != 0) *problems += "  the removal exits with " + std::to_string(code) + "\n";
  }

  // What must hold the moment a run has been ended: no entry whose command is gone.
  void CheckKilled(std::string* problems) {
    const std::string command = RegisteredCommand();
    if (!command.empty() && !FileExists(launcher)) *problems += "  an entry without its launcher\n";
  }

  // The clean runs: their end states and, per role, the calls they make.
  void CleanRuns() {
    Clean();
    cleanState = Snapshot();
    ::DeleteFileA(callsFile.c_str());
    ::SetEnvironmentVariableA("GLOW_CRASH_CALLS", callsFile.c_str());
    ASSERT_EQ(Install(), 0);
    installedState = Snapshot();
    ASSERT_EQ(Run(RegisteredCommand(), ""), 0);
    removedState = Snapshot();
    ::SetEnvironmentVariableA("GLOW_CRASH_CALLS", nullptr);
    calls = ReadCalls();
  }

  // What the runs since the calls file was last deleted said: per role, their calls, "!held=N", "!box".
  std::map<std::string, std::vector<std::string>> ReadCalls() {
    std::map<std::string, std::vector<std::string>> read;
    FILE* file = fopen(callsFile.c_str(), "r");
    if (!file) return read;
    char role[32], name[64];
    while (fscanf(file, "%31s %63s", role, name) == 2) read[role].push_back(name);
    fclose(file);
    return read;
  }

  // Every point (GLOW_CRASH_FULL=1), or the test run's fixed sample: each kind of call at its first place,
  // ended just after it, which is also just before the next one. The kinds of a role are shared out
  // between the two prefixes, every other one each, so that a test run takes every kind once.
  static std::vector<Point> Points(const std::string& role, const std::vector<std::string>& names, bool full) {
    std::vector<Point> points;
    std::set<std::string> seen;
    const size_t share = IsWow64Process() ? 0 : 1;
    // GLOW_CRASH_ONLY="<role> <call>": that point alone, to look at one finding again.
    const char* only = getenv("GLOW_CRASH_ONLY");
    for (size_t i = 0; i < names.size(); ++i) {
      if (names[i][0] == '!') continue;
      if (only && *only) {
        if (role + " " + std::to_string(i) == only)
          for (bool after : {false, true}) points.push_back({role, static_cast<int>(i), after, names[i]});
        continue;
      }
      const bool firstOfItsKind = seen.insert(names[i]).second;
      if (full) {
        for (bool after : {false, true}) points.push_back({role, static_cast<int>(i), after, names[i]});
      } else if (firstOfItsKind && seen.size() % 2 == share) {
        points.push_back({role, static_cast<int>(i), true, names[i]});
      }
    }
    return points;
  }

  static std::string KillOf(const Point& point) {
    return point.role + " " + std::to_string(point.call) + (point.after ? " after" : " before");
  }
  static std::string Where(const Point& point) {
    return point.role + " call " + std::to_string(point.call) + " (" + point.name + "), " +
           (point.after ? "after" : "before");
  }

  // One point of one combination; true when the rerun reached the clean end state.
  bool Converges(const Point& point, const char* combination) {
    std::string problems;
    Clean();
    if (point.role == "installer") {
      if (Install(KillOf(point)) == -1) problems += "  a program it started never ends\n";
      CheckKilled(&problems);
      if (strcmp(combination, "install") == 0) {
        if (Install() != 0) problems += "  the install again fails\n";
      } else {
        RemoveAgain(&problems);
      }
    } else {
      if (Install() != 0) problems += "  the install fails\n";
      if (Run(RegisteredCommand(), KillOf(point)) == -1) problems += "  a program it started never ends\n";
      CheckKilled(&problems);
      RemoveAgain(&problems);
    }
    const Machine& expected = strcmp(combination, "install") == 0 ? installedState : removedState;
    problems += Differences(expected, Snapshot());
    printf("  %s, then %s: %s\n", Where(point).c_str(), combination, problems.empty() ? "converges" : "LEFT SOMETHING");
    if (problems.empty()) return true;
    ADD_FAILURE() << point.role << " killed at " << Where(point) << ", then " << combination << ":\n" << problems;
    return false;
  }

  std::string installer, launcher, callsFile;
  Machine cleanState, installedState, removedState;
  std::map<std::string, std::vector<std::string>> calls;
};

bool Full() {
  const char* full = getenv("GLOW_CRASH_FULL");
  return full && *full == '1';
}

TEST_F(CrashMatrix, KilledAnywhereARerunConverges) {
  CleanRuns();
  if (HasFatalFailure()) return;
  const bool full = Full();
  int points = 0, leftBehind = 0;
  const DWORD start = ::GetTickCount();
  for (const char* role : {"installer", "launcher", "uninstaller"}) {
    ASSERT_FALSE(calls[role].empty()) << role;
    int installerPoints = 0;
    for (const Point& point : Points(role, calls[role], full)) {
      // The sample ends an install once per kind of call, then installs or removes, by turns.
      std::vector<const char*> combinations = {"remove"};
      if (point.role == "installer")
        combinations = full ? std::vector<const char*>{"install", "remove"}
                            : std::vector<const char*>{installerPoints++ % 2 ? "remove" : "install"};
      for (const char* combination : combinations) {
        ++points;
        if (!Converges(point, combination)) ++leftBehind;
      }
    }
  }
  Clean();
  printf("crash matrix (%s): calls of a clean run: installer %zu, launcher %zu, uninstaller %zu; %d kill points "
         "x combinations run, %d left something behind; %lu s\n",
         full ? "full" : "sample", calls["installer"].size(), calls["launcher"].size(), calls["uninstaller"].size(),
         points, leftBehind, static_cast<unsigned long>((::GetTickCount() - start) / 1000));
  EXPECT_EQ(leftBehind, 0);
}

// The removal as it really runs, the launcher waiting for the uninstaller it started with /report=: every
// call of either failed in turn. An outcome the launcher promises, nothing left open, no entry without its
// launcher, no screen saver nobody tracks, success only when all is gone; and the command run again
// finishes the job.
TEST_F(CrashMatrix, EveryCallOfTheWaitingRemovalFails) {
  CleanRuns();
  if (HasFatalFailure()) return;
  const bool full = Full();
  ::SetEnvironmentVariableA("GLOW_CRASH_CALLS", callsFile.c_str());
  ::SetEnvironmentVariableA("GLOW_CRASH_FAIL", "none");
  Clean();
  ASSERT_EQ(Install(), 0);
  ::DeleteFileA(callsFile.c_str());
  ASSERT_EQ(Run(RegisteredCommand(), ""), 0);
  const std::map<std::string, std::vector<std::string>> failable = ReadCalls();
  ASSERT_EQ(Differences(removedState, Snapshot()), "");
  int points = 0, failures = 0;
  const DWORD start = ::GetTickCount();
  for (const char* role : {"launcher", "uninstaller"}) {
    ASSERT_TRUE(failable.count(role)) << role;
    for (const Point& point : Points(role, failable.at(role), full)) {
      if (full && point.after) continue;  // a failed call has no before and after
      ++points;
      std::string problems;
      ::SetEnvironmentVariableA("GLOW_CRASH_FAIL", nullptr);
      Clean();
      if (Install() != 0) problems += "  the install fails\n";
      ::SetEnvironmentVariableA("GLOW_CRASH_FAIL", (point.role + " " + std::to_string(point.call)).c_str());
      ::DeleteFileA(callsFile.c_str());
      const long code = Run(RegisteredCommand(), "");
      for (const auto& said : ReadCalls())
        for (const std::string& name : said.second)
          if (name[0] == '!' && name != "!box") problems += "  " + said.first + " " + name + "\n";
      const std::set<long> promised = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 101, 102, 103, 104, 1618, 3010};
      if (!promised.count(code)) problems += "  exit " + std::to_string(code) + "\n";
      CheckKilled(&problems);
      const Machine now = Snapshot();
      const bool placedRemains = now.count("system\\tavo screensaver.scr") != 0;
      if (placedRemains && !now.count("entry") && !now.count("PendingFileRenameOperations"))
        problems += "  a placed screen saver nobody tracks\n";
      // A selection that cannot be emptied does not fail a removal that got to its end.
      Machine expected = removedState;
      if (point.name == "RegSetValueExA") expected["ScrnSave.exe"] = now.count("ScrnSave.exe") ? now.at("ScrnSave.exe") : "";
      // Success may leave the launcher file to the restart, named by PendingFileRenameOperations.
      std::string claimed;
      for (const std::string& line : Lines(Differences(expected, now)))
        if (line.find(".deleted") == std::string::npos) claimed += line + "\n";
      if (code == 0 && !claimed.empty()) problems += "  success claimed:\n" + claimed;
      ::SetEnvironmentVariableA("GLOW_CRASH_FAIL", nullptr);
      RemoveAgain(&problems);
      // A restart still to come takes what was moved aside for it (3010 said so).
      for (const std::string& line : Lines(Differences(removedState, Snapshot())))
        if (code != 3010 || line.find(".deleted") == std::string::npos) problems += line + "\n";
      printf("  %s failed: exit %ld, %s\n", Where(point).c_str(), code, problems.empty() ? "as promised" : "NOT AS PROMISED");
      if (!problems.empty()) {
        ++failures;
        ADD_FAILURE() << "failed: " << Where(point) << ", exit " << code << ":\n" << problems;
      }
    }
  }
  ::SetEnvironmentVariableA("GLOW_CRASH_CALLS", nullptr);
  Clean();
  printf("removal fault matrix (%s): failable calls launcher %zu, uninstaller %zu; %d runs, %d failed; %lu s\n",
         full ? "full" : "sample", failable.at("launcher").size(), failable.at("uninstaller").size(), points, failures,
         static_cast<unsigned long>((::GetTickCount() - start) / 1000));
}

}  // namespace
}  // namespace glow
