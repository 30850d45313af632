#pragma once
// Which file a handle holds, as the system sees it: the name it resolves to and its identity.
#include <windows.h>

#include "mb_text.h"

namespace glow {

// The final path of an open file, every link and junction resolved, as "C:\..." or "\\server\share\...".
// False (last error set) when the system cannot tell or the path does not fit. Only for systems that have
// GetFinalPathNameByHandleA (HasSystemFunction).
bool FinalPathOf(HANDLE file, PathText* path);

// The final path of a folder, opened for that alone (same rules as FinalPathOf).
bool FinalFolderPath(const char* folder, PathText* path);

// True when both handles hold the same file: same volume, same file index.
bool SameFile(HANDLE a, HANDLE b);

// Which file a handle held, so that what a run wrote can be found again without trusting its name.
struct FileId {
  bool known = false;
  DWORD volume = 0;
  DWORD indexHigh = 0;
  DWORD indexLow = 0;
};
bool IdOf(HANDLE file, FileId* id);

// Deletes the file at `path` only when it is still the one `id` names: opened without following a link,
// checked, and deleted through that handle. False (last error set) when it is another file, a folder, or
// cannot be opened; nothing is deleted by name alone, nor scheduled.
bool DeleteIfStill(const char* path, const FileId& id);

// True when the opened object is a file and nothing else: no link, no folder, and one name only (a second
// name would be someone else's file linked in). Else false, last error set.
bool IsLoneFile(HANDLE opened);

// True when the opened object is itself at "folder\name": a link there, once followed, ends elsewhere.
// Systems that cannot say where a handle leads keep the old behaviour.
bool IsItselfAt(HANDLE opened, const char* folder, const char* name);

}  // namespace glow
