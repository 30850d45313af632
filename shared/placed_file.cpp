#include "placed_file.h"

#include <string.h>

namespace glow {

const char* PlacedScreenSaverFault(const char* path, const char* systemFolder, LeadByteTest isLeadByte) {
  if (!path || !*path) return "empty";
  if (!systemFolder || !*systemFolder) return "no system folder to compare with";
  size_t folderLength = MbPrefixNoCase(path, systemFolder, isLeadByte);
  if (folderLength == 0) return "not in the system folder";
  if (systemFolder[folderLength - 1] != '\\') {
    if (path[folderLength] != '\\') return "not in the system folder";
    ++folderLength;
  }
  const char* name = path + folderLength;
  if (!*name) return "names the system folder";
  // One name, nothing that could lead elsewhere: no separator, no stream, no wildcard, no control character.
  const size_t length = strlen(name);
  if (length < 4) return "not a .scr file";
  const char* extension = name + length - 4;
  bool extensionStartsACharacter = false;
  for (const char* p = name; *p; ++p) {
    if (p == extension) extensionStartsACharacter = true;
    const unsigned char c = static_cast<unsigned char>(*p);
    if (IsForbiddenInFileName(c)) return "not a single file name";
    if (isLeadByte(c) && p[1] != '\0') ++p;  // its trail byte may look like anything
  }
  // ".scr" at the very end also rules out a trailing dot or blank, which the system would drop.
  if (!extensionStartsACharacter || MbPrefixNoCase(extension, ".scr", isLeadByte) != 4) return "not a .scr file";
  return nullptr;
}

bool CopiedListNames(const char* list, const char* path, LeadByteTest isLeadByte) {
  if (!list || !path || !*path) return false;
  const size_t length = strlen(path);
  for (const char* p = list; *p != '\0';) {
    if (*p == '|') {
      ++p;
      continue;
    }
    if (MbPrefixNoCase(p, path, isLeadByte) == length && (p[length] == '|' || p[length] == '\0')) return true;
    while (*p != '\0' && *p != '|') p += (isLeadByte(static_cast<unsigned char>(*p)) && p[1] != '\0') ? 2 : 1;
  }
  return false;
}

}  // namespace glow
