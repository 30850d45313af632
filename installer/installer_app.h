#pragma once
#include "app_frame.h"
#include "mb_text.h"
#include "unique.h"

namespace glow {

// What start-up settles and hands to the install sequence.
struct InstallSettings {
  DriveText ownDrive;
  PathText ownFolder;  // with leading and trailing backslash
  PathText productName;
  PathText productVersion;
};

extern const char kDefaultProductName[];     // "TAVO ScreenSaver"
extern const char kDefaultProductVersion[];  // "1.0.0001"

// Reads one value of the settings file; false when the file is missing or the value is absent or empty.
// At most 253 characters arrive.
bool GetINIString(const char* path, const char* section, const char* key, PathText* value);

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

  UniqueHandle m_hLocalMutex;
  UniqueHandle m_hGlobalMutex;
  InstallSettings m_settings;
};

}  // namespace glow
