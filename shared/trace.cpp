#include "trace.h"

#include "os.h"
#include "trace_line.h"
#include "unique.h"

namespace glow {

namespace {
const char* g_tag = "Glow";
bool g_traceOn = false;
}  // namespace

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
  ::SetLastError(lastError);
}

}  // namespace glow
