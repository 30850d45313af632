#pragma once
// The diagnostic trace: one line per call to the debugger channel, written only while the switch is on,
// and to the log file while one is open, switch or not.
#include "unique.h"

namespace glow {

// Each program names itself once at start, before the first trace.
void SetTraceTag(const char* tag);
void SwitchTraceOn();
bool IsTraceOn();
// Back to the state at program start. Only tests need it: a program never switches the trace off.
void ResetTraceForTests();

// The "/log=" file: trace lines are appended to it, each as it comes, from Open to the owner's end.
// A file that cannot be opened is traced and the run goes on without it. Only one is open at a time.
class TraceLogFile {
 public:
  TraceLogFile() = default;
  TraceLogFile(const TraceLogFile&) = delete;
  TraceLogFile& operator=(const TraceLogFile&) = delete;
  ~TraceLogFile();
  void Open(const char* path);

 private:
  UniqueFile file_;
};

// notice: true for a progress line (code ignored); false for an error line, where a code of 0 stands for
// the calling thread's last error.
void DebugTrace(const char* what, const char* where, bool notice, unsigned long code);

inline void TraceNotice(const char* what, const char* where) { DebugTrace(what, where, true, 0); }
inline void TraceError(const char* what, const char* where, unsigned long code = 0) {
  DebugTrace(what, where, false, code);
}

}  // namespace glow
