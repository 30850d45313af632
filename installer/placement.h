#pragma once
// Placing the screen-saver files that lie beside the installer into the system folder.
#include <windows.h>

#include "growable_text.h"
#include "installer_app.h"

namespace glow {

// What one install run has placed so far, empty at its start.
struct InstallRun {
  GrowableText copyScrPath;  // full paths of the placed files, "|"-joined, in placement order
  PathText lastScr;          // bare name of the last file the folder copy placed
  DWORD estimatedSize = 0;   // KiB, summed over the placed files
  bool replacedAtRestart = false;  // a file replaced was in use: moved aside, deleted at the next restart
};

extern const char kFailedToInstall[];
extern const char kInstallerCaption[];
void ShowFailedToInstall();  // the one message the installer shows

// Takes a placed file back: made normal and deleted, else deleted at the next restart. The error trace
// gives the reason (its code `cause`) and what really happened. False when it stays.
bool RemovePlacedFile(const char* path, const char* reason, const char* function, DWORD cause);

// File size in KiB (truncated), 0 on any failure.
DWORD GetFileMBSize(const char* path);

// Copies every match of `pattern` in `sourceFolder` (ending in a backslash) into `targetFolder` (without),
// each under its own name; folders are skipped and read-only earlier copies overwritten. `run` records them.
void CopyFiles(const char* sourceFolder, const char* pattern, const char* targetFolder, bool failIfExists,
               InstallRun* run);

// "TAVO.scr" beside the installer goes in under the product name, else every "*.scr" under its own name.
// On success `scrPath` is the screen saver to select; a failure has been shown to the user.
bool PlaceScreenSavers(const InstallSettings& settings, const char* systemFolder, PathText* scrPath, InstallRun* run);

}  // namespace glow
