#pragma once
// Writes an embedded raw-data item of the running program out to a file in a fixed folder.
#include "mb_text.h"
#include "unique.h"

namespace glow {

enum class ExtractionFolder {
  kWindows,       // the installer's variant: falls back to "C:\Windows" when the lookup fails
  kLocalAppData,  // the launcher's variant: only inside the user's profile on a fixed drive, created when
                  // missing there; a failed lookup or a folder elsewhere fails the call
};

// `file` holds the bare file name on entry and the full path on success; it is unchanged on failure.
bool CopyResource(ExtractionFolder folder, const char* itemName, PathText* file);
// With `heldCopy`, the file is written only as a new file (whatever was at the path is removed first, a
// link itself and never what it leads to), then held read-only from the write handle, so that nobody can
// change, replace or delete it while the handle is held; its content is checked against the item.
bool CopyResource(ExtractionFolder folder, const char* itemName, PathText* file, UniqueFile* heldCopy);

}  // namespace glow
