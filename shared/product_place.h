#pragma once
// Looking up the folders a run works in, and forming a product's place from them: once per run.
#include "mb_text.h"
#include "product_name.h"

namespace glow {

// The one lookup of a known folder (a CSIDL_ value); `create` makes it when missing. False when the
// system cannot say, with its last error.
bool LookUpFolder(int csidl, bool create, PathText* folder);

// Where each program traces a failed lookup of the place's folders.
struct FolderLookupWhere {
  const char* systemFolder;
  const char* windowsFolder;
};

// Looks up the system folder (not created) and the Windows folder (created), falling back to
// "C:\Windows\System32" and "C:\Windows" with a trace, then forms the whole place from `name`. Null when
// it all fits, else why not: when the key path does not fit, nothing behind it is formed.
const char* FormProductPlace(const char* name, const FolderLookupWhere& where, ProductPlace* place);

}  // namespace glow
