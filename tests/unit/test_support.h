#pragma once
// What every seam test shares: the mock in force, the trace on and captured, scratch folders and keys.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <shlobj.h>

#include "heap_block.h"
#include "mock_os.h"
#include "trace.h"

namespace glow {

class SeamTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Trace lines that contain `text`.
  int LinesWith(const std::string& text) const;
  std::string AllLines() const;
  // A new empty folder under the temp folder, removed again after the test; no trailing backslash.
  std::string NewFolder(const std::string& name);

  ::testing::NiceMock<MockOs> os;

 private:
  std::vector<std::string> folders_;
};

struct RegValue;

// Plain helpers on the real system.
void WriteFileBytes(const std::string& path, const std::string& bytes);
std::string ReadFileBytes(const std::string& path);
bool FileExists(const std::string& path);
bool IsWow64Process();
std::string WindowsFolder();
std::string SystemFolder();
// The native system folder as this process reaches it with redirection on ("Sysnative" under WOW64).
std::string NativeSystemFolder();
// The stored bytes of a text value: the text in UTF-16; Wine adds one terminating zero of its own.
bool StoredTextIs(const RegValue& value, const std::string& text);
std::string LocalAppDataFolder();
void RemoveTree(const std::string& folder);
// Registry value as (type, raw bytes) as stored, through the wide API; type REG_NONE when missing.
struct RegValue {
  DWORD type = REG_NONE;
  std::string bytes;
  bool exists = false;
};
RegValue ReadRegValue(HKEY root, const std::string& key, const std::string& name);
// The current user's screen-saver selection, as a test finds it and leaves it.
RegValue ReadScrnSave();
void SetScrnSave(const std::string& value);
void RestoreScrnSave(const RegValue& saved);
bool KeyExists(HKEY root, const std::string& key);
// A named mutex as another elevated run makes its lock (owner Administrators), or as a program without
// administrator rights makes one first: default security, or ("refusing") a DACL that refuses everyone.
enum class LockMaker { kAdministrators, kAnyProgram, kAnyProgramRefusing };
HANDLE MakeLock(const char* name, LockMaker maker);
void DeleteKeyTree(HKEY root, const std::string& key);
// Where deletions at the next restart are recorded, and the clearing of them between runs.
inline constexpr char kSessionManager[] = "System\\CurrentControlSet\\Control\\Session Manager";
void ClearPendingRenames();
// UTF-16LE bytes of an ASCII text, as the registry stores a text value.
std::string Wide(const std::string& ascii);

}  // namespace glow
