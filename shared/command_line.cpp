#include "command_line.h"

#include <string.h>

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

void ReadProgramSwitches(const char* argumentText, ProgramSwitches* switches) {
  const char* p = argumentText ? argumentText : "";
  switches->debug = IsDebugSwitch(p);
  int others = 0;
  bool otherIsDebug = false;
  while (*p != '\0') {
    if (*p == ' ' || *p == '\t') {
      ++p;
      continue;
    }
    // One argument: blanks inside quotes belong to it, the quotes are no part of its value. Quotes and
    // blanks are never trail bytes, in any code page.
    const char* start = p;
    char value[kPathSize + 5];
    size_t length = 0;
    bool quoted = false;
    for (; *p != '\0' && (quoted || (*p != ' ' && *p != '\t')); ++p) {
      if (*p == '"') quoted = !quoted;
      else if (length < sizeof value) value[length++] = *p;
    }
    if (length >= 5 && value[0] == '/' && (value[1] | 0x20) == 'l' && (value[2] | 0x20) == 'o' &&
        (value[3] | 0x20) == 'g' && value[4] == '=') {
      switches->logGiven = true;
      switches->logPath.Clear();
      if (length < sizeof value) memcpy(switches->logPath.data(), value + 5, length - 5);
    } else {
      ++others;
      otherIsDebug = p - start == 2 && (start[0] == '/' || start[0] == '-') && (start[1] | 0x20) == 'd';
    }
  }
  // Beside "/log=", the debug switch is the one other argument.
  if (switches->logGiven) switches->debug = others == 1 && otherIsDebug;
}

}  // namespace glow
