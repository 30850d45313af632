#include "launcher_names.h"

namespace glow {

bool ProductNameFromLauncherPath(const char* launcherPath, PathText* productName, LeadByteTest isLeadByte) {
  PathText baseName;
  if (!SplitPath(launcherPath, nullptr, nullptr, &baseName, nullptr, isLeadByte)) return false;
  RemoveAll(baseName.data(), " Uninstaller", isLeadByte);
  *productName = baseName;
  return true;
}

bool FormatUninstallerCommandLine(const char* productName, bool debug, PathText* commandLine) {
  return debug ? commandLine->Format(" /d \"/name=%s\"", productName)
               : commandLine->Format(" \"/name=%s\"", productName);
}

}  // namespace glow
