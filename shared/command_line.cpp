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

void ReadProgramSwitches(const char* argumentText, LeadByteTest isLeadByte, ProgramSwitches* switches) {
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
    char value[kPathSize + 6];  // "/log=", a path and its zero, one more to tell a path too long
    size_t length = 0;
    bool quoted = false;
    for (; *p != '\0' && (quoted || (*p != ' ' && *p != '\t')); ++p) {
      if (*p == '"') quoted = !quoted;
      else if (length + 1 < sizeof value) value[length++] = *p;
    }
    value[length] = '\0';
    const size_t prefix = MbPrefixNoCase(value, "/log=", isLeadByte);
    if (prefix) {
      switches->logGiven = true;
      if (!switches->logPath.Assign(value + prefix)) switches->logPath.Clear();
    } else {
      ++others;
      otherIsDebug = p - start == 2 && IsDebugSwitch(value);
    }
  }
  // Beside "/log=", the debug switch is the one other argument.
  if (switches->logGiven) switches->debug = others == 1 && otherIsDebug;
}

}  // namespace glow
