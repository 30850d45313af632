#pragma once
// Forming one trace line. Platform-free; a line longer than the buffer is cut and still ends with CR LF.
#include "bounded_text.h"
#include "sizes.h"

namespace glow {

typedef BoundedText<kTraceLineSize> TraceLine;

// Stands in for the system's text when it has none for a code.
extern const char kNoSystemText[];

// "[tag][Notify]where -> what\r\n"
void FormatNoticeLine(TraceLine* line, const char* tag, const char* where, const char* what);
// "[tag]where -> what error: code - systemText"; the system text brings its own line end.
void FormatErrorLine(TraceLine* line, const char* tag, const char* where, const char* what, unsigned long code,
                     const char* systemText);

}  // namespace glow
