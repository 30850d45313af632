#pragma once
// The launcher's process exit codes: what the uninstall command returns. Numbers are never reused:
// retire a code, do not renumber.
namespace glow {

enum LauncherExitCode {
  kRemovalDone = 0,           // the removal ended with 0 (earlier builds: the uninstaller was started)
  kScratchCopyFailed = 1,     // "Failed to uninstall!": the uninstaller could not be written and held
  kLauncherPathUnavailable = 2,
  kCommandLineTooLong = 3,    // "Failed to uninstall!": the file name does not fit the command line or the
                              // product's key path
  kUninstallerNotStarted = 4,
  kUninstallerNotConfirmed = 5,  // "Failed to uninstall!": what started was not the written copy; ended
  kProductNameUnknown = 6,       // "Failed to uninstall!": no product name could be taken from the file name
  kRemovalEndUnknown = 7,        // the uninstaller ended without a report and without an exit code of its own
  kScratchFolderTooLong = 8,     // "Failed to uninstall!": the local application-data folder is longer than a
                                 // path in the code page the launcher runs in
  kRemovalNotReported = 9,       // the uninstaller was given the report pipe and ended without reporting
  // The removal ended with the uninstaller's code 1-4, passed on moved up by 100 (its 1-4 are taken here).
  kUninstallerIncomplete = 101,   // nothing registered under the name, or the selection could not be opened
  kUninstallerNameRefused = 102,  // the name is too long for the key path
  kUninstallerArgumentsUnreadable = 103,
  kUninstallerEntryRemains = 104,  // still registered, listing what remains: run the removal again later
  kAnotherRemovalRuns = 1618,    // another removal runs (this launcher's lock or the uninstaller's); try later
  kRemovalDoneAfterRestart = 3010,  // the removal ended with 3010: done, files in use go at the next restart
};

}  // namespace glow
