#pragma once
// What the installer may place and the uninstaller may delete: a ".scr" file directly inside the system
// folder. A recorded list is input like any other: an entry outside that rule is never acted on.
// Platform-free.
#include "mb_text.h"

namespace glow {

// Null when `path` names a ".scr" file directly inside `systemFolder` (compared without regard to case),
// else why not (a short text for the trace).
const char* PlacedScreenSaverFault(const char* path, const char* systemFolder, LeadByteTest isLeadByte);

// True when the "|"-joined copied-file list names `path`, compared without regard to case.
bool CopiedListNames(const char* list, const char* path, LeadByteTest isLeadByte);

}  // namespace glow
