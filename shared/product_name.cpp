#include "product_name.h"

#include <ctype.h>
#include <string.h>

#include "sizes.h"

namespace glow {

namespace {

// Device names are reserved in every folder, with or without an extension: COM and LPT take a digit 0 to
// 9 or a superscript one, two or three (0xB9, 0xB2, 0xB3 in the Western code page, which the system maps
// to the same device names).
bool IsReservedDeviceName(const char* name) {
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  size_t stem = strcspn(name, ".");
  while (stem > 0 && name[stem - 1] == ' ') --stem;
  for (const char* device : kDevices)
    if (stem == strlen(device) && strncasecmp(name, device, stem) == 0) return true;
  if (stem != 4 || (strncasecmp(name, "COM", 3) != 0 && strncasecmp(name, "LPT", 3) != 0)) return false;
  const unsigned char digit = static_cast<unsigned char>(name[3]);
  return (digit >= '0' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
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
    if (IsForbiddenInFileName(*p)) return "contains a character not allowed in file names";
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
