#include "trace.h"

#include <string.h>

#include "file_identity.h"
#include "mb_text.h"
#include "os.h"
#include "trace_line.h"
#include "unique.h"

namespace glow {

namespace {
const char* g_tag = "Glow";
bool g_traceOn = false;
HANDLE g_log = INVALID_HANDLE_VALUE;
}  // namespace

TraceLogFile::~TraceLogFile() {
  if (file_.valid()) g_log = INVALID_HANDLE_VALUE;
}

namespace {

// Opens the log "folder\name" for appending, or says why not. The log may lie where others can write,
// and an elevated run writes it: a link on the way (a folder or the file itself), a file with a second
// name, or something other than a disk file (a pipe someone made first) would have it create or write
// elsewhere, or act for whoever listens. The folder is opened first and held, so that nothing on its way
// can be renamed or replaced, and it must be itself where the path says; only then is the file created.
const char* OpenLog(const char* path, UniqueFile* file) {
  DriveText drive;
  PathText folder;
  PathText base;
  PathText extension;
  if (!SplitPath(path, &drive, &folder, &base, &extension, SystemLeadByte) || base.Empty()) {
    ::SetLastError(ERROR_INVALID_NAME);
    return "has no file name";
  }
  const bool unc = drive.Empty() && strncmp(folder.c_str(), "\\\\", 2) == 0 && folder.c_str()[2] != '.' &&
                   folder.c_str()[2] != '?';
  if (!unc && (drive.Length() != 2 || folder.c_str()[0] != '\\')) {
    ::SetLastError(ERROR_INVALID_NAME);
    return "is not a full path on a disk";
  }
  PathText folderPath;
  PathText name;
  folderPath.Format("%s%s", drive.c_str(), folder.c_str());
  name.Format("%s%s", base.c_str(), extension.c_str());
  const bool checked = Sys().HasSystemFunction(real::kGetFinalPathNameByHandleA);
  // The root keeps its separator; any other folder is named without it, as the system names it.
  if (folderPath.Length() > 3 || unc) folderPath.data()[folderPath.Length() - 1] = '\0';
  UniqueFile held(Sys().CreateFileA(folderPath.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!held.valid()) return "folder cannot be opened";
  PathText folderWhere;
  if (checked) {
    if (!FinalPathOf(held.get(), &folderWhere)) return "folder cannot be resolved";
    // A folder named with short names (a %TEMP% such as C:\Users\JOHNSM~1\...) is named in full first:
    // only a link makes the two differ then.
    PathText longForm;
    const DWORD length = Sys().GetLongPathNameA(folderPath.c_str(), longForm.data(), PathText::kCapacity);
    if (length == 0 || length >= PathText::kCapacity) longForm = folderPath;
    if (!MbEqualNoCase(folderWhere.c_str(), longForm.c_str(), SystemLeadByte)) {
      ::SetLastError(ERROR_CANT_RESOLVE_FILENAME);
      return "folder leads elsewhere";
    }
  }
  file->reset(Sys().CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT | SECURITY_SQOS_PRESENT |
                                    SECURITY_IDENTIFICATION,
                                nullptr));
  if (!file->valid()) return "cannot be opened";
  if (Sys().GetFileType(file->get()) != FILE_TYPE_DISK) {
    ::SetLastError(ERROR_BAD_FILE_TYPE);
    return "is not a disk file";
  }
  if (!IsLoneFile(file->get())) return "is a link, a folder or a file with a second name";
  if (!checked) return nullptr;
  PathText where;
  PathText expected;
  if (!FinalPathOf(file->get(), &where)) return "cannot be resolved";
  if (!expected.Format(folderWhere.Length() == 3 ? "%s%s" : "%s\\%s", folderWhere.c_str(), name.c_str()) ||
      !MbEqualNoCase(where.c_str(), expected.c_str(), SystemLeadByte)) {
    ::SetLastError(ERROR_CANT_RESOLVE_FILENAME);
    return "leads elsewhere";
  }
  return nullptr;
}

}  // namespace

void TraceLogFile::Open(const char* path) {
  const char* refused = OpenLog(path, &file_);
  if (!refused) {
    g_log = file_.get();
    return;
  }
  const DWORD error = ::GetLastError();
  file_.reset();
  PathText where;
  where.Format("log file %s, no log @ TraceLogFile", refused);
  TraceError(path, where.c_str(), error);
}

void SetTraceTag(const char* tag) { g_tag = tag; }
void SwitchTraceOn() { g_traceOn = true; }
bool IsTraceOn() { return g_traceOn; }
void ResetTraceForTests() { g_traceOn = false; }

void DebugTrace(const char* what, const char* where, bool notice, unsigned long code) {
  // Callers often trace twice after one failure; the second line must still see that failure's error.
  const DWORD lastError = ::GetLastError();
  TraceLine line;
  if (notice) {
    FormatNoticeLine(&line, g_tag, where, what);
  } else {
    if (code == 0) code = lastError;
    UniqueLocal systemText;
    char* text = nullptr;
    const DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM;
    if (Sys().FormatMessageA(flags, nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                             reinterpret_cast<LPSTR>(&text), 0, nullptr) != 0) {
      systemText.reset(text);
    } else {
      text = nullptr;
    }
    FormatErrorLine(&line, g_tag, where, what, code, text);
  }
  if (g_traceOn) Sys().OutputDebugStringA(line.c_str());
  DWORD written = 0;
  if (g_log != INVALID_HANDLE_VALUE) Sys().WriteFile(g_log, line.c_str(), static_cast<DWORD>(line.Length()), &written, nullptr);
  ::SetLastError(lastError);
}

}  // namespace glow
