#include "placement.h"

#include <string.h>

#include "file_identity.h"
#include "file_probe.h"
#include "format.h"
#include "os.h"
#include "placed_file.h"
#include "trace.h"
#include "unique.h"

namespace glow {

const char kFailedToInstall[] = "Failed to install!";
const char kInstallerCaption[] = "TAVO ScreenSaver Installer";

void ShowFailedToInstall() { ShowErrorBox(kFailedToInstall, kInstallerCaption); }

namespace {

const char kListSeparator[] = "|";
const char kWhere[] = "InitInstance";

// The uninstaller deletes by the list, so a copy the list cannot record would stay behind for good.
void RemoveUnrecordedCopy(const char* target, const char* function) {
  RemovePlacedFile(target, "copied-file list cannot grow", function, ERROR_NOT_ENOUGH_MEMORY);
}

// Adds one placed file to the list, separator and path in one step; a copy it cannot record is removed.
bool AppendToCopyList(const char* target, GrowableText* list) {
  const size_t separator = list->Empty() ? 0 : sizeof kListSeparator - 1;
  if (list->Reserve(list->Length() + separator + strlen(target) + 1)) {
    if (separator) list->Append(kListSeparator);
    list->Append(target);
    return true;
  }
  RemoveUnrecordedCopy(target, "CopyFiles");
  return false;
}

// Copies the screen saver "folder\name" to `target` from a handle opened on it, never through a link,
// so that what was checked is what lands in the system folder, where every user can read it: a link, or
// a file with more than one name (someone else's file linked in), is refused. Last error set on failure;
// a part-written copy is deleted.
bool CopyScreenSaver(const char* folder, const char* name, const char* source, const char* target,
                     bool failIfExists, InstallRun* run) {
  UniqueFile from(Sys().CreateFileA(source, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!from.valid() || !IsLoneFile(from.get()) || !IsItselfAt(from.get(), folder, name)) return false;
  const DWORD disposition = failIfExists ? CREATE_NEW : CREATE_ALWAYS;
  UniqueFile to(Sys().CreateFileA(target, GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
  const DWORD refused = ::GetLastError();
  if (!to.valid() && !failIfExists &&
      (refused == ERROR_SHARING_VIOLATION || refused == ERROR_ACCESS_DENIED || refused == ERROR_USER_MAPPED_FILE)) {
    // The screen saver runs (or shows its preview): the old copy is moved aside and goes at the next
    // restart, and the new one takes the name now.
    PathText moved;
    if (MoveAside(target, &moved)) {
      if (Sys().MoveFileExA(moved.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT))
        to.reset(Sys().CreateFileA(target, GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!to.valid()) {
        const DWORD error = ::GetLastError();
        Sys().MoveFileExA(moved.c_str(), target, 0);  // back: the install fails as it would have
        ::SetLastError(error);
        return false;
      }
      TraceNotice(target, "in use, replaced; the old copy goes at the next restart @ CopyFiles");
      run->replacedAtRestart = true;
    }
    ::SetLastError(refused);
  }
  if (!to.valid()) return false;
  BYTE chunk[kCopyChunkSize];
  DWORD read = 0;
  DWORD written = 0;
  while (Sys().ReadFile(from.get(), chunk, sizeof chunk, &read, nullptr)) {
    if (read == 0) return true;
    if (!Sys().WriteFile(to.get(), chunk, read, &written, nullptr)) break;
    if (written != read) {
      ::SetLastError(ERROR_WRITE_FAULT);
      break;
    }
  }
  const DWORD error = ::GetLastError();
  to.reset();
  Sys().DeleteFileA(target);
  ::SetLastError(error);
  return false;
}

}  // namespace

bool RemovePlacedFile(const char* path, const char* reason, const char* function, DWORD cause) {
  PathText where;
  Sys().SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);  // a read-only source gives a read-only copy
  if (Sys().DeleteFileA(path)) {
    where.Format("%s, copy removed @ %s", reason, function);
    TraceError(path, where.c_str(), cause);
    return true;
  }
  const DWORD error = ::GetLastError();
  if (IsAbsence(error)) return true;
  const bool scheduled = Sys().MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
  where.Format(scheduled ? "%s, copy in use, removed at the next restart @ %s" : "%s, copy cannot be removed @ %s",
               reason, function);
  TraceError(path, where.c_str(), scheduled ? error : 0);
  return scheduled;
}

DWORD GetFileMBSize(const char* path) {
  UniqueFile file(Sys().CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) {
    TraceError(path, "CreateFile failed!! @ GetFileMBSize");
    return 0;
  }
  LARGE_INTEGER size = {};
  if (!Sys().GetFileSizeEx(file.get(), &size)) {
    TraceError(path, "GetFileSizeEx failed!! @ GetFileMBSize");
    return 0;
  }
  const long long n64FileSize = size.QuadPart;
  const DWORD dwReturn = static_cast<DWORD>(n64FileSize / 1024);
  char info[kSizeInfoSize] = {};
  FormatText(info, sizeof info, "%s, n64FileSize: %lld, dwReturn: %d", path, n64FileSize, static_cast<int>(dwReturn));
  TraceNotice(info, "file size info @ GetFileMBSize");
  return dwReturn;
}

void CopyFiles(const char* sourceFolder, const char* pattern, const char* targetFolder, bool failIfExists,
               InstallRun* run) {
  Sys().SHCreateDirectoryExA(nullptr, targetFolder, nullptr);
  PathText search;
  WIN32_FIND_DATAA found = {};
  UniqueFind finder;
  if (search.Format("%s%s", sourceFolder, pattern)) finder.reset(Sys().FindFirstFileA(search.c_str(), &found));
  if (!finder.valid()) {
    TraceError(sourceFolder, "FindFirstFile (INVALID_HANDLE_VALUE) @ CopyFiles");
    return;
  }
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    PathText source;
    PathText target;
    if (!source.Format("%s%s", sourceFolder, found.cFileName) ||
        !target.Format("%s\\%s", targetFolder, found.cFileName)) {
      TraceError(found.cFileName, "path too long, skipped @ CopyFiles", ERROR_FILENAME_EXCED_RANGE);
      continue;
    }
    // "*.scr" also finds "name.scrx" by its short name; the uninstaller removes ".scr" files only.
    if (PlacedScreenSaverFault(target.c_str(), targetFolder, SystemLeadByte)) {
      TraceNotice(found.cFileName, "not a .scr file, skipped @ CopyFiles");
      continue;
    }
    Sys().SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!CopyScreenSaver(sourceFolder, found.cFileName, source.c_str(), target.c_str(), failIfExists, run)) {
      TraceError(source.c_str(), "CopyFile failed (tszSource) @ CopyFiles");
      TraceError(target.c_str(), "CopyFile failed (tszTarget) @ CopyFiles");
    } else {
      TraceNotice(target.c_str(), "CopyFile done @ CopyFiles");
      if (AppendToCopyList(target.c_str(), &run->copyScrPath)) {
        run->lastScr.Assign(found.cFileName);
        run->estimatedSize += GetFileMBSize(target.c_str());
      }
    }
    Sys().SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
  } while (Sys().FindNextFileA(finder.get(), &found));
  if (::GetLastError() != ERROR_NO_MORE_FILES) TraceError(sourceFolder, "FindNextFile (failed) @ CopyFiles");
}

bool PlaceScreenSavers(const InstallSettings& settings, const char* systemFolder, PathText* scrPath, InstallRun* run) {
  PathText ownFolder;
  PathText source;
  if (!ownFolder.Format("%s%s", settings.ownDrive.c_str(), settings.ownFolder.c_str()) ||
      !source.Format("%sTAVO.scr", ownFolder.c_str()))
    source.Clear();

  if (!source.Empty() && IsFileExist(source.c_str())) {
    TraceNotice(source.c_str(), "file exist, directly copy @ InitInstance");
    PathText target;
    DWORD error = ERROR_FILENAME_EXCED_RANGE;
    bool copied = target.Format("%s\\%s.scr", systemFolder, settings.productName.c_str());
    if (copied) {
      Sys().SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
      copied = CopyScreenSaver(ownFolder.c_str(), "TAVO.scr", source.c_str(), target.c_str(), false, run);
      error = 0;  // the traces read the copy's own
    }
    if (!copied) {
      TraceError(source.c_str(), "CopyFile failed (Source) @ InitInstance", error);
      TraceError(target.c_str(), "CopyFile failed (Target) @ InitInstance", error);
      ShowFailedToInstall();
      return false;
    }
    TraceNotice(target.c_str(), "CopyFile done @ InitInstance");
    Sys().SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!run->copyScrPath.Assign(target.c_str())) {
      RemoveUnrecordedCopy(target.c_str(), "InitInstance");
      ShowFailedToInstall();
      return false;
    }
    run->estimatedSize = GetFileMBSize(target.c_str());
    *scrPath = target;
    return true;
  }

  TraceNotice(source.c_str(), "file not exist, use enum folder @ InitInstance");
  CopyFiles(ownFolder.c_str(), "*.scr", systemFolder, false, run);
  if (run->lastScr.Empty()) {
    TraceNotice("LastScr is empty after enum", kWhere);
    ShowFailedToInstall();
    return false;
  }
  return scrPath->Format("%s\\%s", systemFolder, run->lastScr.c_str());
}

}  // namespace glow
