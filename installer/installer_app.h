#pragma once
#include "app_frame.h"
#include "growable_text.h"
#include "mb_text.h"
#include "trace.h"
#include "unique.h"

namespace glow {

// A value of the settings file, in the process's code page.
typedef BoundedText<kSettingsValueSize> SettingsValue;

// What start-up settles and hands to the install sequence.
struct InstallSettings {
  DriveText ownDrive;
  PathText ownFolder;  // with leading and trailing backslash
  SettingsValue productName;
  SettingsValue productVersion;
};

extern const char kDefaultProductName[];     // "TAVO ScreenSaver"
extern const char kDefaultProductVersion[];  // "1.0.0001"

// The settings file's text as UTF-16 (`*length` characters), read whole from the handle that holds it:
// UTF-16 or UTF-8 with a byte-order mark, UTF-8 without one, and what is not valid UTF-8 in the system's
// legacy ANSI code page (not the process's, which is UTF-8 where the manifest's code page is honoured).
bool ReadSettingsText(HANDLE file, GrowableText* text, size_t* length);

// One value of the settings text, in the process's code page; false when it is absent or empty. At most
// 253 characters arrive.
bool GetINIString(const WCHAR* text, size_t length, const char* section, const char* key, SettingsValue* value);

class InstallerApp : public AppFrame {
 public:
  InstallerApp();
  bool InitInstance() override;
  int ExitInstance() override;

  // Start-up up to the install sequence; false ends the run with m_nExitCode set.
  bool StartUp();
  const InstallSettings& settings() const { return m_settings; }

 private:
  // False when the settings file is there but cannot be read: the run ends, refused.
  bool ReadSettings();

  TraceLogFile m_log;
  UniqueHandle m_hLocalMutex;
  UniqueHandle m_hGlobalMutex;
  HeldLock m_installLock;  // where the system has private namespaces: the one only administrators can make
  InstallSettings m_settings;
};

}  // namespace glow
