#include "trace_line.h"

#include "format.h"

#include <string.h>

namespace glow {

const char kNoSystemText[] = "(no system text for this code)\r\n";

namespace {

const char* OrNull(const char* text) { return text ? text : "(null)"; }

// Formatting cuts at the buffer's end; a cut line keeps its CR LF so the next one starts on its own.
void EndCutLine(TraceLine* line, int wanted) {
  if (wanted >= 0 && static_cast<size_t>(wanted) < TraceLine::kCapacity) return;
  char* text = line->data();
  const size_t length = strlen(text);
  if (length >= 2) {
    text[length - 2] = '\r';
    text[length - 1] = '\n';
  }
}

}  // namespace

void FormatNoticeLine(TraceLine* line, const char* tag, const char* where, const char* what) {
  line->Clear();
  const int wanted = FormatText(line->data(), TraceLine::kCapacity, "[%s][Notify]%s -> %s\r\n", OrNull(tag),
                              OrNull(where), OrNull(what));
  EndCutLine(line, wanted);
}

void FormatErrorLine(TraceLine* line, const char* tag, const char* where, const char* what, unsigned long code,
                     const char* systemText) {
  line->Clear();
  const int wanted = FormatText(line->data(), TraceLine::kCapacity, "[%s]%s -> %s error: %lu - %s", OrNull(tag),
                              OrNull(where), OrNull(what), code, systemText ? systemText : kNoSystemText);
  EndCutLine(line, wanted);
}

}  // namespace glow
