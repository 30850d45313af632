#pragma once
// From the launcher's own path to the uninstaller's command line. Platform-free.
#include "mb_text.h"

namespace glow {

// The product name: the file's base name with every " Uninstaller" removed (case-sensitive).
bool ProductNameFromLauncherPath(const char* launcherPath, PathText* productName, LeadByteTest isLeadByte);

// ` "/name=<name>"`, or ` /d "/name=<name>"` with the debug switch; false when it does not fit.
bool FormatUninstallerCommandLine(const char* productName, bool debug, PathText* commandLine);

}  // namespace glow
