#pragma once
// The diagnostic trace: one line per call to the debugger channel, written only while the switch is on.

namespace glow {

// Each program names itself once at start, before the first trace.
void SetTraceTag(const char* tag);
void SwitchTraceOn();
bool IsTraceOn();
// Back to the state at program start. Only tests need it: a program never switches the trace off.
void ResetTraceForTests();

// notice: true for a progress line (code ignored); false for an error line, where a code of 0 stands for
// the calling thread's last error.
void DebugTrace(const char* what, const char* where, bool notice, unsigned long code);

inline void TraceNotice(const char* what, const char* where) { DebugTrace(what, where, true, 0); }
inline void TraceError(const char* what, const char* where, unsigned long code = 0) {
  DebugTrace(what, where, false, code);
}

}  // namespace glow
