#include "product_name.h"

#include <ctype.h>
#include <string.h>

#include "sizes.h"

namespace glow {

namespace {

// Device names are reserved in every folder, with or without an extension.
bool IsReservedDeviceName(const char* name) {
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL"};
  size_t stem = strcspn(name, ".");
  while (stem > 0 && name[stem - 1] == ' ') --stem;
  for (const char* device : kDevices)
    if (stem == 3 && strncasecmp(name, device, 3) == 0) return true;
  if (stem == 4 && (strncasecmp(name, "COM", 3) == 0 || strncasecmp(name, "LPT", 3) == 0) && name[3] >= '1' &&
      name[3] <= '9')
    return true;
  return false;
}

}  // namespace

const char* ProductNameFault(const char* name, LeadByteTest isLeadByte) {
  if (!name || !*name) return "empty";
  const size_t length = strlen(name);
  if (length > kMaxProductNameLength) return "longer than 207 characters";
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(name); *p; ++p) {
    if (isLeadByte(*p)) {
      // A lead byte with nothing behind it would take the next character of every path it is joined into.
      if (p[1] == '\0') return "ends in half a double-byte character";
      ++p;
      continue;
    }
    if (*p < 32 || *p == 127) return "contains a control character";
    if (strchr("\\/:*?\"<>|", *p)) return "contains a character not allowed in file names";
  }
  // The launcher takes its product name back from its file name by removing every " Uninstaller".
  if (MbFind(name, " Uninstaller", isLeadByte)) return "contains \" Uninstaller\", which the launcher removes";
  if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0) return "names a folder";
  if (name[length - 1] == ' ' || name[length - 1] == '.') return "ends in a blank or a dot";
  if (IsReservedDeviceName(name)) return "is a reserved device name";
  return nullptr;
}

const char* JoinedPathFault(const char* folder, const char* name, const char* suffix) {
  if (!folder || !name || !suffix) return "missing";
  if (strlen(folder) + 1 + strlen(name) + strlen(suffix) >= kPathSize) return "too long for its path";
  return nullptr;
}

}  // namespace glow
