#include "product_name.h"

#include <ctype.h>
#include <string.h>

#include "sizes.h"

namespace glow {

namespace {

// Device names are reserved in every folder, with or without an extension: COM and LPT take a digit 0 to
// 9 or a superscript one, two or three, which the system maps to the same device names.
bool IsReservedDeviceName(const char16_t* name) {
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  size_t stem = 0;
  while (name[stem] != u'\0' && name[stem] != u'.') ++stem;
  while (stem > 0 && name[stem - 1] == u' ') --stem;
  const auto startsAs = [name](const char* ascii, size_t length) {
    for (size_t i = 0; i < length; ++i) {
      const char16_t c = name[i];
      if ((c >= u'a' && c <= u'z' ? c - u'a' + u'A' : c) != static_cast<char16_t>(ascii[i])) return false;
    }
    return true;
  };
  for (const char* device : kDevices)
    if (stem == strlen(device) && startsAs(device, stem)) return true;
  if (stem != 4 || !(startsAs("COM", 3) || startsAs("LPT", 3))) return false;
  const char16_t digit = name[3];
  return (digit >= u'0' && digit <= u'9') || digit == u'\u00b9' || digit == u'\u00b2' || digit == u'\u00b3';
}

}  // namespace

const char* ProductNameFault(const char* name, LeadByteTest isLeadByte, WideDecoder decode) {
  if (!name || !*name) return "empty";
  const size_t length = strlen(name);
  if (length > kMaxProductNameLength) return "longer than 207 bytes";
  char16_t wide[kMaxProductNameLength + 1];
  if (!decode(name, wide, sizeof wide / sizeof *wide)) return "not text in the code page the program runs in";
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
  if (IsReservedDeviceName(wide)) return "is a reserved device name";
  return nullptr;
}

const char* FormProductKey(const char* name, ProductPlace* place) {
  static const char kPrefix[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
  static_assert(sizeof kPrefix - 1 == kUninstallPrefixLength, "the key path's prefix");
  place->keyPath.Clear();
  if (!name) return "missing";
  if (!place->name.Assign(name) || !place->keyPath.Format("%s%s", kPrefix, name)) {
    place->keyPath.Clear();
    return "too long for its key path";
  }
  place->launcherName.Format("%s%s", name, kLauncherSuffix);
  return nullptr;
}

const char* FormLauncherPath(ProductPlace* place) {
  place->launcherPath.Clear();
  const char* fault = JoinedPathFault(place->windowsFolder.c_str(), place->name.c_str(), kLauncherSuffix);
  if (!fault) place->launcherPath.Format("%s\\%s", place->windowsFolder.c_str(), place->launcherName.c_str());
  return fault;
}

const char* JoinedPathFault(const char* folder, const char* name, const char* suffix) {
  if (!folder || !name || !suffix) return "missing";
  if (strlen(folder) + 1 + strlen(name) + strlen(suffix) >= kPathSize) return "too long for its path";
  return nullptr;
}

}  // namespace glow
