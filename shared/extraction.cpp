#include "extraction.h"

#include <shlobj.h>
#include <string.h>

#include "app_frame.h"
#include "file_identity.h"
#include "file_probe.h"
#include "os.h"
#include "product_place.h"
#include "trace.h"

namespace glow {

namespace {

const char kWhere[] = "CopyResource";

// True when `path` lies inside `folder` (both without a closing backslash).
bool IsInside(const char* path, const char* folder) {
  const size_t length = strlen(folder);
  return length && MbPrefixNoCase(path, folder, SystemLeadByte) && path[length] == '\\';
}

// The user's profile folder as the account knows it, not as the user's own shell-folder settings say.
// Asked for in UTF-16 and converted here: the ANSI form cuts names whose characters take several bytes.
bool OwnProfile(PathText* profile) {
  UniqueHandle token;
  if (!OpenOwnToken(&token)) return false;
  WCHAR wide[kPathSize];
  DWORD size = kPathSize;
  return Sys().GetUserProfileDirectoryW(token.get(), wide, &size) &&
         Sys().WideCharToMultiByte(CP_ACP, 0, wide, -1, profile->data(), PathText::kCapacity, nullptr, nullptr) > 0;
}

// The launcher runs with administrator rights, and where the local application data lies is the user's
// own setting: it is used only inside the user's profile folder, on a local fixed drive, also once every
// link on the way is followed, and nothing is created anywhere else.
bool CheckScratchFolder(const char* folder) {
  PathText profile;
  if (!OwnProfile(&profile)) {
    TraceError("GetUserProfileDirectory failed !", kWhere);
    return false;
  }
  char root[] = "?:\\";
  root[0] = folder[0];
  if (!IsInside(folder, profile.c_str()) || folder[1] != ':' || Sys().GetDriveTypeA(root) != DRIVE_FIXED) {
    TraceError(folder, "not in the user's profile on a fixed drive, refused @ CopyResource", ERROR_ACCESS_DENIED);
    return false;
  }
  const int made = Sys().SHCreateDirectoryExA(nullptr, folder, nullptr);
  if (!Sys().HasSystemFunction(real::kGetFinalPathNameByHandleA)) return true;
  // The folder checked is the one held open: if the path changed on the way and led this run to make a
  // folder elsewhere, that very folder is taken back (only while empty).
  UniqueFile opened(Sys().CreateFileA(folder, FILE_READ_ATTRIBUTES | (made == ERROR_SUCCESS ? DELETE : 0),
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  PathText finalFolder, finalProfile;
  const bool resolved = opened.valid() && FinalPathOf(opened.get(), &finalFolder) &&
                        FinalFolderPath(profile.c_str(), &finalProfile);
  if (resolved && IsInside(finalFolder.c_str(), finalProfile.c_str())) return true;
  TraceError(folder, "leads out of the user's profile, refused @ CopyResource", resolved ? ERROR_ACCESS_DENIED : 0);
  FILE_DISPOSITION_INFO gone = {TRUE};
  if (made == ERROR_SUCCESS && opened.valid()) {
    if (Sys().SetFileInformationByHandle(opened.get(), FileDispositionInfo, &gone, sizeof gone))
      TraceNotice(resolved ? finalFolder.c_str() : folder, "folder made there, taken back @ CopyResource");
    else
      TraceError(resolved ? finalFolder.c_str() : folder, "folder made there cannot be taken back @ CopyResource");
  }
  return false;
}

bool ResolveFolder(ExtractionFolder folder, PathText* path) {
  if (folder.knownPath) return path->Assign(folder.knownPath);
  if (!LookUpFolder(CSIDL_LOCAL_APPDATA, false, path)) {
    TraceError("SHGetSpecialFolderPath (CSIDL_LOCAL_APPDATA) failed !", kWhere);
    return false;
  }
  // A folder longer than a path in this code page (letters of several bytes each) comes back cut.
  if (path->Length() >= PathText::kCapacity) {
    path->Clear();
    TraceError("CSIDL_LOCAL_APPDATA longer than a path (260 bytes in this code page) !", kWhere,
               ERROR_FILENAME_EXCED_RANGE);
    ::SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
  }
  return CheckScratchFolder(path->c_str());
}

// The copy must equal the item byte for byte.
bool Verify(HANDLE file, const BYTE* bytes, DWORD size) {
  LARGE_INTEGER fileSize = {};
  const BOOL sized = Sys().GetFileSizeEx(file, &fileSize);
  if (!sized || fileSize.QuadPart != size) {
    TraceError("written file differs from the item !", kWhere, sized ? ERROR_FILE_INVALID : 0);
    return false;
  }
  BYTE chunk[4096];
  for (DWORD offset = 0; offset < size;) {
    const DWORD wanted = (size - offset < sizeof chunk) ? size - offset : static_cast<DWORD>(sizeof chunk);
    DWORD read = 0;
    const BOOL readOk = Sys().ReadFile(file, chunk, wanted, &read, nullptr);
    if (!readOk || read != wanted || memcmp(chunk, bytes + offset, wanted) != 0) {
      TraceError("written file differs from the item !", kWhere, readOk ? ERROR_FILE_INVALID : 0);
      return false;
    }
    offset += wanted;
  }
  return true;
}

bool WriteAll(HANDLE file, const BYTE* bytes, DWORD size) {
  DWORD written = 0;
  const BOOL wrote = Sys().WriteFile(file, bytes, size, &written, nullptr);
  if (!wrote || written != size) {
    TraceError("WriteFile failed !", kWhere, wrote ? ERROR_WRITE_FAULT : 0);
    return false;
  }
  return true;
}

// Whatever is at the path goes first, so that the copy is a file of this run. It goes only when it is
// itself there: a link is removed, never what it leads to, and a folder stays (the run then fails).
bool ClearPath(const char* folder, const char* name, const char* path) {
  UniqueFile existing(Sys().CreateFileA(path, DELETE | FILE_READ_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!existing.valid()) {
    const DWORD error = ::GetLastError();
    if (IsAbsence(error)) return true;
    TraceError(path, "cannot be removed @ CopyResource");
    return false;
  }
  BY_HANDLE_FILE_INFORMATION info = {};
  if (!Sys().GetFileInformationByHandle(existing.get(), &info)) {
    TraceError(path, "cannot be removed @ CopyResource");
    return false;
  }
  if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    TraceError(path, "a folder, cannot be replaced @ CopyResource", ERROR_DIRECTORY);
    return false;
  }
  if (!IsItselfAt(existing.get(), folder, name)) {
    TraceError(path, "leads elsewhere, left alone @ CopyResource");
    return false;
  }
  // Deleted through the handle: nothing can be swapped in between the check and the deletion.
  FILE_DISPOSITION_INFO disposition = {TRUE};
  if (Sys().HasSystemFunction(real::kSetFileInformationByHandle)) {
    if (Sys().SetFileInformationByHandle(existing.get(), FileDispositionInfo, &disposition, sizeof disposition))
      return true;
  } else {
    existing.reset();
    if (Sys().DeleteFileA(path)) return true;
  }
  TraceError(path, "cannot be removed @ CopyResource");
  return false;
}

// Read-only, sharing only reading, taken from the write handle itself so that the held file is the
// written one. A handle that shares only reading cannot be opened beside the writer, so a reader that
// still shares writing stands in between; the bytes are checked after the last step.
bool HoldWritten(UniqueFile* written, const char* path, UniqueFile* held) {
  const bool reopenMissing = !Sys().HasSystemFunction(real::kReOpenFile);
  UniqueFile reader;
  if (!reopenMissing) reader.reset(Sys().ReOpenFile(written->get(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, 0));
  written->reset();
  if (reopenMissing) {
    held->reset(Sys().CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
  } else if (reader.valid()) {
    held->reset(Sys().ReOpenFile(reader.get(), GENERIC_READ, FILE_SHARE_READ, 0));
  }
  if (!held->valid()) {
    TraceError("CreateFile (hold) failed !", kWhere);
    return false;
  }
  return true;
}

// The launcher writes into a folder the user can write to and then runs the copy with administrator
// rights: never through a link, never into a file it did not create in this run.
bool WriteNewHeldCopy(const char* folder, const char* name, const char* path, const BYTE* bytes, DWORD size,
                      UniqueFile* held) {
  if (!ClearPath(folder, name, path)) return false;
  UniqueFile written(Sys().CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!written.valid()) {
    TraceError("CreateFile failed !", kWhere);
    return false;
  }
  UniqueFile reader;
  if (!WriteAll(written.get(), bytes, size) || !HoldWritten(&written, path, &reader) ||
      !Verify(reader.get(), bytes, size))
    return false;
  *held = static_cast<UniqueFile&&>(reader);
  return true;
}

// The item is the program it carries, byte for byte: written out as it is.
struct Item {
  const BYTE* bytes = nullptr;
  DWORD size = 0;
};

// The item and where it goes: the folder, and the path with the file name. False when either is not there.
bool FindItem(ExtractionFolder folder, const char* itemName, const char* fileName, PathText* folderPath,
              PathText* path, Item* item) {
  if (!ResolveFolder(folder, folderPath)) return false;
  *path = *folderPath;
  if (!path->Append("\\") || !path->Append(fileName)) {
    TraceError(fileName, "path too long @ CopyResource", ERROR_FILENAME_EXCED_RANGE);
    ::SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
  }
  TraceNotice(path->c_str(), "tszPath @ CopyResource");

  HRSRC found = Sys().FindResourceA(nullptr, itemName, RT_RCDATA);
  if (!found) {
    TraceError("FindResource failed !", kWhere);
    return false;
  }
  HGLOBAL loaded = Sys().LoadResource(nullptr, found);
  if (!loaded) {
    TraceError("LoadResource failed !", kWhere);
    return false;
  }
  item->bytes = static_cast<const BYTE*>(Sys().LockResource(loaded));
  if (!item->bytes) {
    TraceError("LockResource failed !", "CopyResourceAndRun");
    return false;
  }
  // No size is no program: nothing is written rather than an empty file.
  item->size = Sys().SizeofResource(nullptr, found);
  if (item->size) return true;
  TraceError("SizeofResource failed !", kWhere);
  return false;
}

}  // namespace

bool CopyResource(ExtractionFolder folder, const char* itemName, PathText* file, FileId* written) {
  PathText folderPath, path;
  Item item;
  if (!FindItem(folder, itemName, file->c_str(), &folderPath, &path, &item)) return false;
  UniqueFile target(Sys().CreateFileA(path.c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES | DELETE, 0, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!target.valid()) {
    TraceError("CreateFile failed !", kWhere);
    return false;
  }
  // Without its identity a roll-back could not tell this call's file from what comes there later: it goes
  // now, through the handle that made it.
  if (written && !IdOf(target.get(), written)) {
    TraceError("GetFileInformationByHandle failed !", kWhere);
    FILE_DISPOSITION_INFO disposition = {TRUE};
    if (!Sys().HasSystemFunction(real::kSetFileInformationByHandle) ||
        !Sys().SetFileInformationByHandle(target.get(), FileDispositionInfo, &disposition, sizeof disposition)) {
      target.reset();
      Sys().DeleteFileA(path.c_str());
    }
    return false;
  }
  if (!WriteAll(target.get(), item.bytes, item.size)) return false;
  file->Assign(path.c_str());
  return true;
}

bool CopyResource(ExtractionFolder folder, const char* itemName, PathText* file, UniqueFile* heldCopy) {
  PathText folderPath, path;
  Item item;
  if (!FindItem(folder, itemName, file->c_str(), &folderPath, &path, &item) ||
      !WriteNewHeldCopy(folderPath.c_str(), file->c_str(), path.c_str(), item.bytes, item.size, heldCopy))
    return false;
  file->Assign(path.c_str());
  return true;
}

}  // namespace glow
