#pragma once
// The product name becomes a file name and part of a registry key path: it must be one valid
// Windows file name and short enough for every path it is joined into. Platform-free.
#include <stddef.h>

#include "mb_text.h"

namespace glow {

// The text as the system will read it: decoded from the process's code page into UTF-16, at most
// `capacity` units with a closing zero. False when it does not decode exactly.
typedef bool (*WideDecoder)(const char* text, char16_t* wide, size_t capacity);

// Null when the name is acceptable, else why not (a short text for the trace). Bytes are walked with the
// code page's lead-byte test, so a trail byte is never taken for a separator; device names are compared
// as the system reads them, decoded to UTF-16 (COM\u00b9 is a device in every code page).
const char* ProductNameFault(const char* name, LeadByteTest isLeadByte, WideDecoder decode);

// Null when "folder\<name><suffix>" fits a path buffer, else why not.
const char* JoinedPathFault(const char* folder, const char* name, const char* suffix);

// The launcher's file name is the product name and this; the launcher takes " Uninstaller" off again.
constexpr char kLauncherSuffix[] = " Uninstaller.exe";

// Where a product lives: its uninstall key, its launcher file in the Windows folder and the folders its
// files go to. A run forms it once (FormProductPlace) and every step takes its locations from it, so that
// no two steps can form one of them differently.
struct ProductPlace {
  PathText name;
  PathText keyPath;        // "SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\<name>", under HKLM
  PathText launcherName;   // "<name> Uninstaller.exe"
  PathText launcherPath;   // "<Windows folder>\<name> Uninstaller.exe"; empty when it does not fit
  PathText systemFolder;   // where the screen savers go, as the copied-file list names it
  PathText windowsFolder;  // where the launcher goes
};

// The name, its key path and the launcher's name; null when they fit, else why not.
const char* FormProductKey(const char* name, ProductPlace* place);
// The launcher's path in the place's Windows folder; null when it fits, else why not.
const char* FormLauncherPath(ProductPlace* place);

}  // namespace glow
