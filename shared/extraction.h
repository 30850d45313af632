#pragma once
// Writes an embedded raw-data item of the running program out to a file in a fixed folder.
#include "mb_text.h"
#include "unique.h"

namespace glow {

enum class ExtractionFolder {
  kWindows,       // the installer's variant: falls back to "C:\Windows" when the lookup fails
  kLocalAppData,  // the launcher's variant: created when missing; a failed lookup fails the call
};

// `file` holds the bare file name on entry and the full path on success; it is unchanged on failure.
// With `heldCopy`, the written file is then reopened so that nobody can change, replace or delete it
// while the handle is held, and its content is checked against the item; a mismatch fails the call.
bool CopyResource(ExtractionFolder folder, const char* itemName, PathText* file, UniqueFile* heldCopy = nullptr);

}  // namespace glow
