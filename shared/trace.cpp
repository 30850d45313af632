#include "trace.h"

#include "file_identity.h"
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

void TraceLogFile::Open(const char* path) {
  // Appended to by this program and the ones it starts, each line whole. The file may lie where others
  // can write: a link there, or a file with a second name, would have an elevated run write elsewhere.
  file_.reset(Sys().CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (file_.valid() && IsLoneFile(file_.get())) {
    g_log = file_.get();
    return;
  }
  const DWORD error = ::GetLastError();
  file_.reset();
  TraceError(path, "log file cannot be opened, no log @ TraceLogFile", error);
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
