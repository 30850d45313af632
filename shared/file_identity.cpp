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

bool IdOf(HANDLE file, FileId* id) {
  BY_HANDLE_FILE_INFORMATION info = {};
  if (!Sys().GetFileInformationByHandle(file, &info)) return false;
  id->known = true;
  id->volume = info.dwVolumeSerialNumber;
  id->indexHigh = info.nFileIndexHigh;
  id->indexLow = info.nFileIndexLow;
  return true;
}

bool DeleteIfStill(const char* path, const FileId& id) {
  if (!id.known) {
    ::SetLastError(ERROR_FILE_NOT_FOUND);
    return false;
  }
  UniqueFile opened(Sys().CreateFileA(path, DELETE | FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  FileId now;
  if (!opened.valid() || !IdOf(opened.get(), &now)) return false;
  if (now.volume != id.volume || now.indexHigh != id.indexHigh || now.indexLow != id.indexLow) {
    ::SetLastError(ERROR_FILE_INVALID);
    return false;
  }
  if (!Sys().HasSystemFunction(real::kSetFileInformationByHandle)) {
    opened.reset();
    return Sys().DeleteFileA(path) != FALSE;
  }
  FILE_DISPOSITION_INFO disposition = {TRUE};
  return Sys().SetFileInformationByHandle(opened.get(), FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
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
