#pragma once
#include "mb_text.h"

namespace glow {
// True when the path can be opened as an existing file (a folder cannot). Never traces; the last error
// tells why not.
bool IsFileExist(const char* path);
// True when an error of a failed open or deletion says the file is not there, rather than that it could
// not be reached: only then may it count as gone.
inline bool IsAbsence(unsigned long error) { return error == 2 || error == 3; }  // file, path not found

// Moves a file (in use or not) out of its name, to one of its own in the same folder ending in ".deleted",
// which no install uses: what comes under the old name later is never hit by what is done to this one.
bool MoveAside(const char* path, PathText* movedTo);

// A file in use goes at the next restart under the name it is moved aside to; one that cannot be moved
// aside is not scheduled (false).
bool DeleteAtRestart(const char* path);

}  // namespace glow
