#include "file_identity.h"

#include "os.h"
#include "unique.h"

namespace glow {

bool FinalPathOf(HANDLE file, PathText* path) {
  // Room for the "\\?\UNC\" the system puts in front.
  BoundedText<kPathSize + 8> raw;
  const DWORD length = Sys().GetFinalPathNameByHandleA(file, raw.data(), static_cast<DWORD>(raw.kCapacity),
                                                       FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  if (length == 0) return false;
  if (length >= raw.kCapacity) {
    ::SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
  }
  const char* text = raw.c_str();
  const bool fits = strncmp(text, "\\\\?\\UNC\\", 8) == 0 ? path->Format("\\\\%s", text + 8)
                    : path->Assign(strncmp(text, "\\\\?\\", 4) == 0 ? text + 4 : text);
  if (!fits) ::SetLastError(ERROR_FILENAME_EXCED_RANGE);
  return fits;
}

bool SameFile(HANDLE a, HANDLE b) {
  BY_HANDLE_FILE_INFORMATION first = {};
  BY_HANDLE_FILE_INFORMATION second = {};
  return Sys().GetFileInformationByHandle(a, &first) && Sys().GetFileInformationByHandle(b, &second) &&
         first.dwVolumeSerialNumber == second.dwVolumeSerialNumber && first.nFileIndexHigh == second.nFileIndexHigh &&
         first.nFileIndexLow == second.nFileIndexLow;
}

bool FinalFolderPath(const char* folder, PathText* path) {
  UniqueFile opened(Sys().CreateFileA(folder, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return opened.valid() && FinalPathOf(opened.get(), path);
}

bool IsItselfAt(HANDLE opened, const char* folder, const char* name) {
  if (!Sys().HasSystemFunction(real::kGetFinalPathNameByHandleA)) return true;
  PathText where;
  if (!FinalPathOf(opened, &where)) return false;
  PathText folderWhere;
  PathText expected;
  if (!FinalFolderPath(folder, &folderWhere)) return false;
  // The final path of a drive's root ("D:\") already ends in its separator.
  const char* separator = EndsInSeparator(folderWhere.c_str(), SystemLeadByte) ? "" : "\\";
  if (!expected.Format("%s%s%s", folderWhere.c_str(), separator, name)) return false;
  if (MbEqualNoCase(where.c_str(), expected.c_str(), SystemLeadByte)) return true;
  ::SetLastError(ERROR_CANT_RESOLVE_FILENAME);
  return false;
}

bool IsLoneFile(HANDLE opened) {
  BY_HANDLE_FILE_INFORMATION info = {};
  if (!Sys().GetFileInformationByHandle(opened, &info)) return false;
  if (!(info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) && info.nNumberOfLinks == 1)
    return true;
  ::SetLastError(ERROR_CANT_RESOLVE_FILENAME);
  return false;
}

}  // namespace glow
