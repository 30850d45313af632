#pragma once
// Removing what the installer placed and recorded for one product.
#include "mb_text.h"
#include "product_name.h"
#include "text_list.h"

namespace glow {

// What one removal pass works through: the recorded files, then the launcher file.
struct RemovalRun {
  ProductPlace place;  // formed once for the run (PlaceRemoval), before its first pass
  TextList removalList;
  // The launcher waits for the outcome, so its file cannot go yet: it is moved aside (a reinstall right
  // after the outcome then writes a new one untouched) and left here, to go once the outcome is out.
  bool launcherWaits = false;
  PathText launcherLeft;
};

// Forms the run's place: the folders looked up once, the key path and the launcher's path. False, with
// nothing traced, when the name does not fit its key path: nothing can be found under it then.
bool PlaceRemoval(const char* productName, RemovalRun* run);

// Reads the copied-file list recorded under the place's key into the run's removal list; false when it
// cannot be read or is empty.
bool LoadScrPath(RemovalRun* run);

enum class RemovalOutcome {
  kRemoved,              // files, launcher file and key gone, selection emptied
  kRemovedAtRestart,     // the same, with files in use deleted at the next restart
  kNothingLoaded,        // the record could not be read: nothing touched
  kSelectionNotOpened,   // files and key dealt with, the desktop key could not be opened
  kEntryRemains,          // a file could be neither deleted nor scheduled: the key stays, listing what remains
};
inline bool Succeeded(RemovalOutcome outcome) {
  return outcome == RemovalOutcome::kRemoved || outcome == RemovalOutcome::kRemovedAtRestart;
}

// Deletes the listed files and the launcher file, the uninstall key, and empties the screen-saver
// selection. Only ".scr" files directly inside the system folder are deleted from the list.
// `redirectionOff`: WOW64 redirection is known to be off, so the system folder's name reaches the native
// folder (otherwise the files are reached where the system can tell: through "Sysnative" under WOW64).
RemovalOutcome UninstAct(bool redirectionOff, RemovalRun* run);

// Deletes the launcher file a run left (RemovalRun::launcherLeft), once the launcher has ended; else at
// the next restart.
void RemoveLauncherLeft(const char* path);


// How long the launcher, which ends right after starting us, may take before its file is given up on.
constexpr unsigned kLauncherDeleteWaitMs = 10;
constexpr unsigned kLauncherDeleteTimeoutMs = 3000;

}  // namespace glow
