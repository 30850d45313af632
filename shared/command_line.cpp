#include "command_line.h"

namespace glow {

const char* ArgumentText(const char* commandLine, LeadByteTest isLeadByte) {
  if (!commandLine) return "";
  const unsigned char* p = reinterpret_cast<const unsigned char*>(commandLine);
  if (*p == '"') {
    // A quoted name runs to the next quote; a trail byte is never that quote.
    ++p;
    while (*p != '\0' && *p != '"') p += (isLeadByte(*p) && p[1] != '\0') ? 2 : 1;
    if (*p == '"') ++p;
  } else {
    while (*p > ' ') ++p;
  }
  while (*p != '\0' && *p <= ' ') ++p;
  return reinterpret_cast<const char*>(p);
}

bool IsDebugSwitch(const char* argumentText) {
  if (!argumentText) return false;
  return (argumentText[0] == '/' || argumentText[0] == '-') &&
         (argumentText[1] == 'd' || argumentText[1] == 'D') && argumentText[2] == '\0';
}

}  // namespace glow
