#pragma once
// The product name becomes a file name and part of a registry key path: it must be one valid
// Windows file name and short enough for every path it is joined into. Platform-free.
#include <stddef.h>

#include "mb_text.h"

namespace glow {

// Null when the name is acceptable, else why not (a short text for the trace). Characters are read in the
// system's ANSI code page, so a trail byte is never taken for a separator.
const char* ProductNameFault(const char* name, LeadByteTest isLeadByte);

// Null when "folder\<name><suffix>" fits a path buffer, else why not.
const char* JoinedPathFault(const char* folder, const char* name, const char* suffix);

}  // namespace glow
