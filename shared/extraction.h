#pragma once
// Writes an embedded raw-data item of the running program out to a file in a fixed folder.
#include "file_identity.h"
#include "mb_text.h"
#include "unique.h"

namespace glow {

// Where an item is written.
struct ExtractionFolder {
  // A folder the run knows already (the installer's: the Windows folder of its product's place).
  static ExtractionFolder Known(const char* path) { return ExtractionFolder{path}; }
  // The launcher's: the user's local application-data folder, looked up here and used only inside the
  // user's profile on a fixed drive, created when missing there; a failed lookup or a folder elsewhere
  // fails the call.
  static ExtractionFolder LocalAppData() { return ExtractionFolder{nullptr}; }
  const char* knownPath;
};

// `file` holds the bare file name on entry and the full path on success; it is unchanged on failure.
// `written`, when given, names the file this call created or replaced, also when writing it then failed;
// it stays unknown when nothing was opened.
bool CopyResource(ExtractionFolder folder, const char* itemName, PathText* file, FileId* written = nullptr);
// With `heldCopy`, the file is written only as a new file (whatever was at the path is removed first, a
// link itself and never what it leads to), then held read-only from the write handle, so that nobody can
// change, replace or delete it while the handle is held; its content is checked against the item.
// A folder whose path, or the file's, is longer than a path fails with ERROR_FILENAME_EXCED_RANGE.
bool CopyResource(ExtractionFolder folder, const char* itemName, PathText* file, UniqueFile* heldCopy);

}  // namespace glow
