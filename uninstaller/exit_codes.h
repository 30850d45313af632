#pragma once
// The uninstaller's process exit codes, which the launcher passes on. Numbers are never reused: retire a
// code, do not renumber.
namespace glow {

enum UninstallerExitCode {
  kRemoved = 0,             // the last removal pass got to its end
  kRemovalIncomplete = 1,   // nothing registered under the name, or the desktop key could not be opened
  kUninstallNameRefused = 2,  // the product name is too long for the key path
  kArgumentsUnreadable = 3,   // no room to read the argument text: which product is meant is unknown
  kEntryRemains = 4,           // still registered: the key could not be deleted, or a file could be neither
                               // deleted nor scheduled (the key lists it); run the removal again
  kRemovalInProgress = 1618,    // ERROR_INSTALL_ALREADY_RUNNING: another removal runs; nothing done, try later
  kRemovedAfterRestart = 3010,  // ERROR_SUCCESS_REBOOT_REQUIRED: done, files in use go at the next restart
};

}  // namespace glow
