#include "installer_app.h"

#include <string.h>

#include "app_frame.h"
#include "command_line.h"
#include "exit_codes.h"
#include "file_probe.h"
#include "install_sequence.h"
#include "os.h"
#include "placement.h"
#include "settings_text.h"
#include "sizes.h"
#include "trace.h"

namespace glow {

const char kDefaultProductName[] = "TAVO ScreenSaver";
const char kDefaultProductVersion[] = "1.0.0001";

namespace {

const char kWhere[] = "InitInstance";

// Takes one of the two single-instance mutexes; false when the run must end. One that a program without
// administrator rights made first is not yielded to: anyone may make an object of any name.
bool CreateInstanceMutex(const char* name, const char* failedText, const char* existsText, UniqueHandle* mutex,
                         int* exitCode) {
  switch (TakeNamedLock(name, kLockWaitMs, mutex)) {
    case LockOutcome::kTaken:
      return true;
    case LockOutcome::kHeld:
      TraceNotice(existsText, kWhere);
      *exitCode = kInstallInProgress;
      return false;
    case LockOutcome::kNotOurs:
      TraceError(name, "made by a program without administrator rights, not yielded to @ InitInstance",
                 ERROR_INVALID_OWNER);
      return true;
    default:
      TraceError(failedText, kWhere);
      *exitCode = kMutexFailed;
      return false;
  }
}

}  // namespace

bool ReadSettingsText(HANDLE file, GrowableText* text, size_t* length) {
  // The bytes, then their UTF-16 text behind them: no more characters than bytes. A file that fills the
  // whole read is too large.
  DWORD read = 0;
  if (!text->Reserve(3 * kSettingsFileLimit) || !Sys().ReadFile(file, text->data(), kSettingsFileLimit, &read, nullptr))
    return false;
  if (read == kSettingsFileLimit) {
    ::SetLastError(ERROR_FILE_TOO_LARGE);
    return false;
  }
  const unsigned char* raw = reinterpret_cast<const unsigned char*>(text->data());
  const SettingsMark mark = SettingsMarkOf(raw, read);
  const char* from = text->data() + SettingsMarkLength(mark);
  const int count = static_cast<int>(raw + read - reinterpret_cast<const unsigned char*>(from));
  WCHAR* wide = reinterpret_cast<WCHAR*>(text->data() + kSettingsFileLimit);
  int converted = count / 2;
  if (mark == kUtf16Mark) {
    memcpy(wide, from, 2 * converted);
  } else if (mark == kUtf16BigEndianMark) {
    const unsigned char* units = reinterpret_cast<const unsigned char*>(from);
    for (int i = 0; i < converted; ++i) wide[i] = static_cast<WCHAR>(units[2 * i] << 8 | units[2 * i + 1]);
  } else if (count > 0) {
    converted = Sys().MultiByteToWideChar(CP_UTF8, mark ? 0 : MB_ERR_INVALID_CHARS, from, count, wide, count);
    if (converted == 0 && !mark) {
      DWORD legacy = CP_ACP;
      Sys().GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                           reinterpret_cast<LPSTR>(&legacy), sizeof legacy);
      converted = Sys().MultiByteToWideChar(legacy, 0, from, count, wide, count);
    }
    if (converted == 0) return false;
  }
  *length = static_cast<size_t>(converted);
  return true;
}

bool GetINIString(const WCHAR* text, size_t length, const char* section, const char* key, SettingsValue* value) {
  const WCHAR* found = nullptr;
  size_t foundLength = 0;
  if (!FindSettingsValue(text, length, section, key, &found, &foundLength)) {
    ::SetLastError(ERROR_NOT_FOUND);
    return false;
  }
  value->Clear();
  // A legacy code page (a system that ignores the manifest's UTF-8) would put a look-alike in place of a
  // letter it lacks ("Lodz" for "Łódź", "\\" for a fullwidth backslash) or a "?": the value arrives as
  // written, or not at all.
  const bool unicode = Sys().GetACP() == CP_UTF8;
  BOOL replaced = FALSE;
  const int converted = Sys().WideCharToMultiByte(CP_ACP, unicode ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS, found,
                                                  static_cast<int>(foundLength), value->data(),
                                                  SettingsValue::kCapacity - 1, nullptr, unicode ? nullptr : &replaced);
  if (converted != 0 && !replaced) return true;
  value->Clear();
  if (converted != 0 || ::GetLastError() == 0) ::SetLastError(ERROR_NO_UNICODE_TRANSLATION);
  return false;
}

namespace {

// A value that is there but cannot be said exactly in this code page refuses the install, with `exitCode`;
// an absent one falls back to its default.
bool ReadValueOrRefuse(const WCHAR* text, size_t length, const char* key, const char* iniPath, SettingsValue* value,
                       int refusal, int* exitCode) {
  if (GetINIString(text, length, "Inst", key, value)) return true;
  const DWORD error = ::GetLastError();
  const bool inexact = error == ERROR_NO_UNICODE_TRANSLATION;
  PathText where;
  where.Format(inexact ? "GetINIString - [Inst - %s] not exact in this code page, install refused @ InitInstance"
                       : "GetINIString - [Inst - %s] failed @ InitInstance",
               key);
  TraceError(iniPath, where.c_str(), error);
  if (!inexact) return true;
  ShowFailedToInstall();
  *exitCode = refusal;
  return false;
}

}  // namespace

InstallerApp::InstallerApp() { SetTraceTag("Glowset"); }

bool InstallerApp::InitInstance() {
  if (StartUp()) m_nExitCode = RunInstallSequence(m_settings);
  return false;
}

bool InstallerApp::StartUp() {
  ProgramSwitches switches;
  ReadProgramSwitches(m_lpCmdLine, SystemLeadByte, &switches);
  if (switches.debug) SwitchTraceOn();
  if (switches.logGiven) m_log.Open(switches.logPath.c_str());

  // Where the system has a namespace only administrators can make objects in, the lock there is what
  // keeps two installs apart whatever holds the well-known names.
  const LockOutcome own = TakePrivateLock("Installer", kLockWaitMs, &m_installLock);
  if (own == LockOutcome::kHeld) {
    TraceNotice("another installer is running, nothing done", kWhere);
    m_nExitCode = kInstallInProgress;
    return false;
  }
  if (!CreateInstanceMutex("TAVO ScreenSaver Installer Local Mutex", "m_hLocalMutex == NULL",
                           "m_hLocalMutex - ERROR_ALREADY_EXISTS", &m_hLocalMutex, &m_nExitCode) ||
      !CreateInstanceMutex("Global\\TAVO ScreenSaver Installer Global Mutex", "m_hGlobalMutex == NULL",
                           "m_hGlobalMutex - ERROR_ALREADY_EXISTS", &m_hGlobalMutex, &m_nExitCode))
    return false;

  // A path cut at the buffer's end would name another folder: treat it as unreadable.
  PathText ownPath;
  const DWORD length = Sys().GetModuleFileNameA(nullptr, ownPath.data(), PathText::kCapacity);
  if (length == 0 || length >= PathText::kCapacity) {
    TraceError("GetModuleFileName failed", kWhere, length != 0 ? ERROR_INSUFFICIENT_BUFFER : 0);
    m_nExitCode = kOwnPathUnavailable;
    return false;
  }
  SplitPath(ownPath.c_str(), &m_settings.ownDrive, &m_settings.ownFolder, nullptr, nullptr, SystemLeadByte);
  return ReadSettings();
}

bool InstallerApp::ReadSettings() {
  PathText iniPath;
  iniPath.Format("%s%sGlowset.ini", m_settings.ownDrive.c_str(), m_settings.ownFolder.c_str());
  m_settings.productName.Clear();
  m_settings.productVersion.Clear();
  // A settings file that is there but cannot be read would install the default product, perhaps over
  // another product's record: it is held open for reading while it is read, or the install is refused.
  UniqueFile settingsFile;
  GrowableText text;
  size_t length = 0;
  const bool present = IsFileExist(iniPath.c_str());
  const DWORD probeError = ::GetLastError();
  if (present || !IsAbsence(probeError)) {
    settingsFile.reset(Sys().CreateFileA(iniPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!settingsFile.valid() || !ReadSettingsText(settingsFile.get(), &text, &length)) {
      TraceError(iniPath.c_str(), "settings file cannot be read @ InitInstance");
      ShowFailedToInstall();
      m_nExitCode = kSettingsUnreadable;
      return false;
    }
  }
  if (!settingsFile.valid()) {
    TraceNotice(iniPath.c_str(), "file not exist @ InitInstance");
  } else {
    const WCHAR* wide = reinterpret_cast<const WCHAR*>(text.c_str() + kSettingsFileLimit);
    if (!ReadValueOrRefuse(wide, length, "Name", iniPath.c_str(), &m_settings.productName, kProductNameRefused,
                           &m_nExitCode) ||
        !ReadValueOrRefuse(wide, length, "Version", iniPath.c_str(), &m_settings.productVersion, kSettingsUnreadable,
                           &m_nExitCode))
      return false;
  }
  if (m_settings.productName.Empty()) m_settings.productName.Assign(kDefaultProductName);
  if (m_settings.productVersion.Empty()) m_settings.productVersion.Assign(kDefaultProductVersion);
  return true;
}

int InstallerApp::ExitInstance() {
  m_hLocalMutex.reset();
  m_hGlobalMutex.reset();
  m_installLock.reset();
  TraceNotice("Prepare to exit...", "ExitInstance");
  return AppFrame::ExitInstance();
}

}  // namespace glow
