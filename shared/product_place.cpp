#include "product_place.h"

#include <shlobj.h>

#include "os.h"
#include "trace.h"

namespace glow {

bool LookUpFolder(int csidl, bool create, PathText* folder) {
  folder->Clear();
  if (Sys().SHGetSpecialFolderPathA(nullptr, folder->data(), csidl, create ? TRUE : FALSE)) return true;
  folder->Clear();
  return false;
}

const char* FormProductPlace(const char* name, const FolderLookupWhere& where, ProductPlace* place) {
  if (!LookUpFolder(CSIDL_SYSTEM, false, &place->systemFolder)) {
    TraceError("SHGetSpecialFolderPath (CSIDL_SYSTEM) failed", where.systemFolder);
    place->systemFolder.Assign("C:\\Windows\\System32");
  }
  if (!LookUpFolder(CSIDL_WINDOWS, true, &place->windowsFolder)) {
    TraceError("SHGetSpecialFolderPath (CSIDL_WINDOWS) failed !", where.windowsFolder);
    place->windowsFolder.Assign("C:\\Windows");
  }
  if (const char* fault = FormProductKey(name, place)) return fault;
  return FormLauncherPath(place);
}

}  // namespace glow
