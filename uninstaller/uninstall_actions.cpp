#include "uninstall_actions.h"

#include <string.h>

#include "app_frame.h"
#include "file_probe.h"
#include "growable_text.h"
#include "mb_text.h"
#include "os.h"
#include "placed_file.h"
#include "product_place.h"
#include "registry_text.h"
#include "sizes.h"
#include "trace.h"
#include "unique.h"

namespace glow {

namespace {

const char kWhere[] = "UninstAct";

// How this pass reaches the files the installer placed in the native system folder.
struct SystemFolderAccess {
  PathText systemFolder;  // as the installer names it in the list
  PathText reachFolder;   // the name that reaches that folder in this pass
  bool canSchedule;       // a deletion at restart can name the listed path
  bool absenceTrusted;    // "not there" through reachFolder means gone
};

void ResolveAccess(bool redirectionOff, const ProductPlace& place, SystemFolderAccess* access) {
  access->systemFolder = place.systemFolder;
  access->reachFolder = access->systemFolder;
  access->canSchedule = true;
  access->absenceTrusted = true;
  if (redirectionOff) return;
  // Redirection on under WOW64 would show the 32-bit folder; "Sysnative" is the native one. A restart
  // deletion through it is dropped, so what cannot be deleted now stays listed instead.
  PathText sysnative;
  if (!sysnative.Format("%s\\Sysnative", place.windowsFolder.c_str())) return;
  UniqueFile folder(Sys().CreateFileA(sysnative.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (folder.valid()) {
    access->reachFolder = sysnative;
    access->canSchedule = false;
  } else if (!IsAbsence(::GetLastError())) {
    access->absenceTrusted = false;  // which folder this pass sees is unknown: keep what it cannot find
  }
}

// The launcher ends right after starting us; until it has, its file cannot be deleted. `attempt` is tried
// again while it fails as such a file makes it fail, until the wait is over; the last error stays its own.
template <typename Attempt>
bool RetryWhileLauncherRuns(Attempt attempt) {
  const DWORD start = Sys().GetTickCount();
  for (;;) {
    if (attempt()) return true;
    const DWORD error = ::GetLastError();
    if ((error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) ||
        Sys().GetTickCount() - start >= kLauncherDeleteTimeoutMs)
      return false;
    Sys().Sleep(kLauncherDeleteWaitMs);
    ::SetLastError(error);
  }
}

bool DeleteLauncherFile(const char* path) {
  return RetryWhileLauncherRuns([path] { return Sys().DeleteFileA(path) != FALSE; });
}

// The launcher file is held before the key goes, with delete access and every sharing: nobody can then
// open it with less sharing, so it can still be deleted or moved aside once the key that names it is gone.
// False only when another program holds it with no sharing past the wait: it cannot go, so the entry
// must stay. Whatever else is at the path, or nothing, is left to the deletion to tell.
bool TakeLauncherFile(const char* path, UniqueFile* taken) {
  const bool held = RetryWhileLauncherRuns([path, taken] {
    taken->reset(Sys().CreateFileA(path, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    return taken->valid();
  });
  return held || ::GetLastError() != ERROR_SHARING_VIOLATION;
}

enum class FileFate { kGone, kAtRestart, kRemains };

// Deleted now, else (in use: the saver or its preview running) at the next restart where `canSchedule`.
// `path` is what the trace and a restart deletion name; `reachPath` is what this pass opens.
FileFate DeleteNowOrAtRestart(const char* path, const char* reachPath, bool isLauncher, bool canSchedule,
                              bool absenceTrusted) {
  const bool deleted = isLauncher ? DeleteLauncherFile(reachPath) : Sys().DeleteFileA(reachPath) != FALSE;
  if (deleted || (absenceTrusted && IsAbsence(::GetLastError()))) return FileFate::kGone;
  TraceError(path, "DeleteFile failed !! @ UninstAct");
  if (canSchedule && DeleteAtRestart(path)) {
    TraceNotice(path, "in use, deleted at the next restart @ UninstAct");
    return FileFate::kAtRestart;
  }
  return FileFate::kRemains;
}

// One listed file (or the launcher file): deleted now, else at the next restart, else it stays listed.
// `path` is what the trace and a restart deletion name; `reachPath` is what this pass opens.
FileFate RemoveFile(const char* path, const char* reachPath, bool isLauncher, const SystemFolderAccess& access,
                    PathText* launcherLeft) {
  // The Windows folder, where the launcher file is, is never redirected.
  const bool absenceTrusted = isLauncher || access.absenceTrusted;
  if (!IsFileExist(reachPath) && IsAbsence(::GetLastError())) {
    TraceNotice(path, "file not exist !! @ UninstAct");
    return absenceTrusted ? FileFate::kGone : FileFate::kRemains;
  }
  // Also when the probe failed for another reason: it proves nothing, the deletion will tell.
  TraceNotice(path, "file exist, delete it @ UninstAct");
  Sys().SetFileAttributesA(reachPath, FILE_ATTRIBUTE_NORMAL);
  if (isLauncher && launcherLeft) {
    if (!MoveAside(reachPath, launcherLeft)) launcherLeft->Assign(reachPath);
    return FileFate::kGone;
  }
  const FileFate fate = DeleteNowOrAtRestart(path, reachPath, isLauncher, isLauncher || access.canSchedule,
                                             absenceTrusted);
  if (fate == FileFate::kRemains && !isLauncher) TraceError(path, "cannot be deleted, stays listed @ UninstAct");
  return fate;
}

// The product stays registered with exactly what remains, so that the removal can run again later.
// A list of separators only still lets that removal go on to the launcher file and the key.
void KeepRecordOf(const char* keyPath, const GrowableText& remaining) {
  UniqueKey key;
  LONG status = Sys().RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_SET_VALUE, key.put());
  if (status == ERROR_SUCCESS) status = SetTextValue(key.get(), "CopyScrPath", remaining.Empty() ? "|" : remaining.c_str());
  if (status != ERROR_SUCCESS) TraceError(keyPath, "RegSetValueEx (CopyScrPath) failed @ UninstAct", status);
  TraceError(remaining.c_str(), "files remain, the entry stays @ UninstAct", ERROR_SHARING_VIOLATION);
}

// "<launcher>.<number>.deleted", once or more: the launcher file as MoveAside names it, and again when a
// deletion at the restart moved it aside once more.
bool IsLauncherMovedAside(const char* name, const char* launcherName) {
  const size_t length = MbPrefixNoCase(name, launcherName, SystemLeadByte);
  if (length == 0 || length != strlen(launcherName) || name[length] != '.') return false;
  const char* p = name + length;
  do {
    const char* digits = ++p;
    while (*p >= '0' && *p <= '9') ++p;
    if (p == digits || strncmp(p, ".deleted", 8) != 0) return false;
    p += 8;
  } while (*p == '.');
  return *p == '\0';
}

// A removal that ended between moving the launcher file aside and deleting it left it there, named by
// nothing: the next removal of the product deletes it.
void RemoveLauncherLeftovers(const char* launcherPath, const char* ownLeft = "") {
  const char* slash = strrchr(launcherPath, '\\');
  PathText pattern;
  if (!slash || !pattern.Format("%s.*.deleted", launcherPath)) return;
  WIN32_FIND_DATAA found;
  UniqueFind search(Sys().FindFirstFileA(pattern.c_str(), &found));
  if (!search.valid()) return;
  do {
    PathText path;
    path.Assign(launcherPath);
    path.data()[slash + 1 - launcherPath] = '\0';  // the folder, with its separator
    if (!IsLauncherMovedAside(found.cFileName, slash + 1) || !path.Append(found.cFileName)) continue;
    if (MbEqualNoCase(path.c_str(), ownLeft, SystemLeadByte)) continue;  // this run's, deleted below
    // Only deleted: one still in use is this run's, or already goes at the restart.
    TraceNotice(path.c_str(), "left by an earlier removal, delete it @ UninstAct");
    if (!Sys().DeleteFileA(path.c_str())) TraceError(path.c_str(), "cannot be deleted @ UninstAct");
  } while (Sys().FindNextFileA(search.get(), &found));
}

}  // namespace

bool PlaceRemoval(const char* productName, RemovalRun* run) {
  const char* fault = FormProductPlace(productName, FolderLookupWhere{kWhere, kWhere}, &run->place);
  if (run->place.keyPath.Empty()) return false;
  // A launcher path that does not fit names no file an install could have written: the rest goes all the same.
  if (fault) TraceError(productName, "launcher path too long @ UninstAct", ERROR_FILENAME_EXCED_RANGE);
  return true;
}

bool LoadScrPath(RemovalRun* run) {
  const PathText& keyPath = run->place.keyPath;
  UniqueKey key;
  const LONG opened = Sys().RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_QUERY_VALUE, key.put());
  if (opened != ERROR_SUCCESS) {
    TraceError(keyPath.c_str(), "RegOpenKeyEx failed @ LoadScrPath", opened);
    return false;
  }
  GrowableText tszPathStr;
  const LONG read = ReadTextValue(key.get(), "CopyScrPath", &tszPathStr);
  if (read != ERROR_SUCCESS)
    TraceError("RegQueryValueEx", "LoadScrPath", read);
  else
    TraceNotice(tszPathStr.c_str(), "tszPathStr @ LoadScrPath");
  key.reset();
  if (read != ERROR_SUCCESS || tszPathStr.Empty()) return false;

  MbTokenizer pieces(tszPathStr.data(), '|', SystemLeadByte);
  for (char* piece = pieces.Next(); piece; piece = pieces.Next()) {
    // A file left off the list would outlive the key that records it: better to remove nothing yet.
    if (!run->removalList.Add(piece)) {
      TraceError(piece, "removal list cannot grow @ LoadScrPath", ERROR_NOT_ENOUGH_MEMORY);
      run->removalList.Clear();
      return false;
    }
  }
  return true;
}

void RemoveLauncherLeft(const char* path) {
  // The launcher's own name: `path` without ".<number>.deleted", or itself when it could not be moved.
  PathText launcherPath;
  launcherPath.Assign(path);
  const size_t length = launcherPath.Length();
  const size_t suffix = sizeof ".deleted" - 1;
  if (length > suffix && strcmp(launcherPath.c_str() + length - suffix, ".deleted") == 0) {
    char* end = launcherPath.data() + length - suffix;
    *end = '\0';
    char* dot = strrchr(launcherPath.data(), '.');
    if (dot) *dot = '\0';
  }
  RemoveLauncherLeftovers(launcherPath.c_str(), path);
  if (DeleteNowOrAtRestart(path, path, true, true, true) == FileFate::kRemains)
    TraceError(path, "cannot be deleted @ UninstAct");
}

RemovalOutcome UninstAct(bool redirectionOff, RemovalRun* run) {
  TextList& removalList = run->removalList;
  PathText* launcherLeft = run->launcherWaits ? &run->launcherLeft : nullptr;
  removalList.Clear();
  if (!LoadScrPath(run)) {
    TraceNotice("LoadScrPath failed !", kWhere);
    return RemovalOutcome::kNothingLoaded;
  }
  const PathText& launcherPath = run->place.launcherPath;
  const bool launcherFormed = !launcherPath.Empty();
  const bool launcherListed = launcherFormed && removalList.Add(launcherPath.c_str());
  SystemFolderAccess access;
  ResolveAccess(redirectionOff, run->place, &access);

  GrowableText remaining;
  bool remainingListed = true;
  bool atRestart = false;
  // The launcher file, listed last, is dealt with after the rest: it is the entry's way back.
  const size_t listed = removalList.Count() - (launcherListed ? 1 : 0);
  for (size_t i = 0; i < listed; ++i) {
    const char* path = removalList.At(i);
    // The list is input like any other: only what the installer could have placed is deleted.
    PathText reachPath;
    const char* fault = PlacedScreenSaverFault(path, access.systemFolder.c_str(), SystemLeadByte);
    if (!fault && !reachPath.Format("%s%s", access.reachFolder.c_str(), path + access.systemFolder.Length()))
      fault = "too long";
    if (fault) {
      PathText where;
      where.Format("left alone, %s @ UninstAct", fault);
      TraceError(path, where.c_str(), ERROR_INVALID_NAME);
      continue;
    }
    const FileFate fate = RemoveFile(path, reachPath.c_str(), false, access, launcherLeft);
    atRestart |= fate == FileFate::kAtRestart;
    if (fate == FileFate::kRemains)
      remainingListed &= (remaining.Empty() || remaining.Append("|")) && remaining.Append(path);
  }

  const PathText& keyPath = run->place.keyPath;
  // Whatever listed remains keeps the entry and the launcher it starts, so that the removal can run again.
  if (!remaining.Empty()) {
    // A list that could not be written whole is left as it was: it still names every remaining file.
    if (remainingListed) KeepRecordOf(keyPath.c_str(), remaining);
    return RemovalOutcome::kEntryRemains;
  }
  // The key goes before the launcher file: a run that ends in between leaves a launcher the next install
  // writes again, never an entry whose command is gone. A launcher file that cannot go keeps the key.
  UniqueFile launcherTaken;
  if (launcherFormed && !TakeLauncherFile(launcherPath.c_str(), &launcherTaken)) {
    TraceError(launcherPath.c_str(), "held by another program, the entry stays @ UninstAct");
    KeepRecordOf(keyPath.c_str(), remaining);
    return RemovalOutcome::kEntryRemains;
  }
  const LONG deleted = Sys().RegDeleteKeyA(HKEY_LOCAL_MACHINE, keyPath.c_str());
  if (deleted != ERROR_SUCCESS) {
    // A key left behind names files that are gone: it keeps its launcher and the selection, and running
    // the removal again clears them.
    TraceError(keyPath.c_str(), "RegDeleteKey failed @ UninstAct", deleted);
    return RemovalOutcome::kEntryRemains;
  }
  TraceNotice(keyPath.c_str(), "RegDeleteKey succeed @ UninstAct");
  if (launcherFormed) {
    if (!launcherLeft) RemoveLauncherLeftovers(launcherPath.c_str());
    const FileFate fate = RemoveFile(launcherPath.c_str(), launcherPath.c_str(), true, access, launcherLeft);
    atRestart |= fate == FileFate::kAtRestart;
    if (fate == FileFate::kRemains) TraceError(launcherPath.c_str(), "cannot be deleted @ UninstAct");
    launcherTaken.reset();  // a file deleted by name goes when this last handle does
  }

  // The installer selects nothing as LocalSystem: the system's own profile holds no selection of ours.
  if (RunsAsLocalSystem()) {
    TraceNotice("running as LocalSystem: no user's screen saver selection is emptied", kWhere);
  } else {
    UniqueKey desktop;
    const LONG opened = Sys().RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_WRITE, desktop.put());
    if (opened != ERROR_SUCCESS) {
      TraceError("RegOpenKey (SetDefault) failed !!", kWhere, opened);
      return RemovalOutcome::kSelectionNotOpened;
    }
    const LONG set = SetTextValue(desktop.get(), "ScrnSave.exe", "");
    if (set != ERROR_SUCCESS) TraceError("RegSetValueEx (SetDefault) failed !!", kWhere, set);
    const DWORD closed = desktop.reset();
    if (closed != ERROR_SUCCESS) TraceError("RegCloseKey (SetDefault) failed !!", kWhere, closed);
  }
  return atRestart ? RemovalOutcome::kRemovedAtRestart : RemovalOutcome::kRemoved;
}

}  // namespace glow
