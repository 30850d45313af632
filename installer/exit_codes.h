#pragma once
// The installer's process exit codes. Numbers are never reused: retire a code, do not renumber.
namespace glow {

enum InstallerExitCode {
  kInstalled = 0,               // launcher written, uninstall key created, screen saver selected (not when
                                // run as LocalSystem: see the README)
  // 1: retired (another installer held one of the mutexes; now 1618)
  kMutexFailed = 2,             // a mutex could not be created
  kOwnPathUnavailable = 3,      // the installer's own path could not be read
  kProductNameRefused = 4,      // the product name is no valid file name or too long for its paths
  kPlacementFailed = 5,         // no screen saver could be placed ("Failed to install!")
  kLauncherNotWritten = 6,      // the uninstall launcher could not be written; nothing left behind
  kUninstallKeyNotCreated = 7,  // the uninstall key or one of its two working values could not be written
  kSelectionNotSet = 8,         // the desktop key could not be opened to select the screen saver
  kSettingsUnreadable = 9,      // Glowset.ini is there but cannot be read ("Failed to install!")
  kEarlierRecordUnreadable = 10,  // an earlier install's record is there but cannot be read ("Failed to install!")
  kForeignEntry = 11,           // an uninstall entry of that name is another program's ("Failed to install!")
  kInstallInProgress = 1618,    // ERROR_INSTALL_ALREADY_RUNNING: another installer holds one of the mutexes
  kInstalledAfterRestart = 3010,  // ERROR_SUCCESS_REBOOT_REQUIRED: installed; a replaced screen saver was in
                                  // use and is swapped at the next restart
};

}  // namespace glow
