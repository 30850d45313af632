#pragma once
// Removing what the installer placed and recorded for one product.
#include "text_list.h"

namespace glow {

extern TextList g_removalList;

// Reads the recorded copied-file list into the removal list; false when it cannot be read or is empty.
bool LoadScrPath(const char* productName);

// Deletes the listed files and the launcher file, the uninstall key, and empties the screen-saver
// selection. False when nothing could be loaded (nothing touched) or the desktop key could not be opened.
bool UninstAct(const char* productName);

// How long the launcher, which ends right after starting us, may take before its file is given up on.
constexpr unsigned kLauncherDeleteAttempts = 300;
constexpr unsigned kLauncherDeleteWaitMs = 10;  // at most 3 s in all

}  // namespace glow
