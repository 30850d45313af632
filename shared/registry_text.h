#pragma once
// The uninstall key and its text values, as the installer writes them and the uninstaller reads them.
#include <windows.h>

#include "growable_text.h"
#include "mb_text.h"

namespace glow {

// A REG_SZ value, its terminating zero counted: readers may rely on finding it.
LONG SetTextValue(HKEY key, const char* name, const char* text);

// A text value of any length, always zero-terminated. Bytes of another type than REG_SZ or REG_EXPAND_SZ
// are no text (ERROR_INVALID_DATATYPE, value empty). Returns the registry status.
LONG ReadTextValue(HKEY key, const char* name, GrowableText* value);

}  // namespace glow
