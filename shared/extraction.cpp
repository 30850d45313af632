#include "extraction.h"

#include <shlobj.h>
#include <string.h>

#include "os.h"
#include "trace.h"

namespace glow {

namespace {

const char kWhere[] = "CopyResource";

bool ResolveFolder(ExtractionFolder folder, PathText* path) {
  path->Clear();
  if (folder == ExtractionFolder::kWindows) {
    if (!Sys().SHGetSpecialFolderPathA(nullptr, path->data(), CSIDL_WINDOWS, TRUE)) {
      TraceError("SHGetSpecialFolderPath (CSIDL_WINDOWS) failed !", kWhere);
      path->Assign("C:\\Windows");
    }
    return true;
  }
  if (!Sys().SHGetSpecialFolderPathA(nullptr, path->data(), CSIDL_LOCAL_APPDATA, TRUE)) {
    TraceError("SHGetSpecialFolderPath (CSIDL_LOCAL_APPDATA) failed !", kWhere);
    return false;
  }
  Sys().SHCreateDirectoryExA(nullptr, path->c_str(), nullptr);
  return true;
}

// Reopens the written file read-only, sharing only reading, and compares it with the item.
bool HoldAndVerify(const char* path, const BYTE* bytes, DWORD size, UniqueFile* held) {
  UniqueFile file(Sys().CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) {
    TraceError("CreateFile (hold) failed !", kWhere);
    return false;
  }
  LARGE_INTEGER fileSize = {};
  const BOOL sized = Sys().GetFileSizeEx(file.get(), &fileSize);
  if (!sized || fileSize.QuadPart != size) {
    if (sized) ::SetLastError(ERROR_FILE_INVALID);
    TraceError("written file differs from the item !", kWhere);
    return false;
  }
  BYTE chunk[4096];
  for (DWORD offset = 0; offset < size;) {
    const DWORD wanted = (size - offset < sizeof chunk) ? size - offset : static_cast<DWORD>(sizeof chunk);
    DWORD read = 0;
    const BOOL readOk = Sys().ReadFile(file.get(), chunk, wanted, &read, nullptr);
    if (!readOk || read != wanted || memcmp(chunk, bytes + offset, wanted) != 0) {
      if (readOk) ::SetLastError(ERROR_FILE_INVALID);
      TraceError("written file differs from the item !", kWhere);
      return false;
    }
    offset += wanted;
  }
  *held = static_cast<UniqueFile&&>(file);
  return true;
}

}  // namespace

bool CopyResource(ExtractionFolder folder, const char* itemName, PathText* file, UniqueFile* heldCopy) {
  PathText path;
  if (!ResolveFolder(folder, &path)) return false;
  if (!path.Append("\\") || !path.Append(file->c_str())) {
    ::SetLastError(ERROR_FILENAME_EXCED_RANGE);
    TraceError(file->c_str(), "path too long @ CopyResource");
    return false;
  }
  TraceNotice(path.c_str(), "tszPath @ CopyResource");

  HRSRC item = Sys().FindResourceA(nullptr, itemName, RT_RCDATA);
  if (!item) {
    TraceError("FindResource failed !", kWhere);
    return false;
  }
  HGLOBAL loaded = Sys().LoadResource(nullptr, item);
  if (!loaded) {
    TraceError("LoadResource failed !", kWhere);
    return false;
  }
  const BYTE* bytes = static_cast<const BYTE*>(Sys().LockResource(loaded));
  if (!bytes) {
    TraceError("LockResource failed !", "CopyResourceAndRun");
    return false;
  }
  const DWORD size = Sys().SizeofResource(nullptr, item);

  {
    UniqueFile target(Sys().CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!target.valid()) {
      TraceError("CreateFile failed !", kWhere);
      return false;
    }
    DWORD written = 0;
    const BOOL wrote = Sys().WriteFile(target.get(), bytes, size, &written, nullptr);
    if (!wrote || written != size) {
      if (wrote) ::SetLastError(ERROR_WRITE_FAULT);
      TraceError("WriteFile failed !", kWhere);
      return false;
    }
  }
  if (heldCopy && !HoldAndVerify(path.c_str(), bytes, size, heldCopy)) return false;
  file->Assign(path.c_str());
  return true;
}

}  // namespace glow
