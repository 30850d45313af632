#pragma once
// Pieces of the command line, as the Windows start-up code hands them to a program. Platform-free.
#include "mb_text.h"

namespace glow {

// The switches the launcher adds behind the uninstaller's name, "/<name>=<value>", read by their full names.
constexpr char kReportSwitch[] = "report";
constexpr char kLogSwitch[] = "log";

// The argument text: the command line after the program name (quoted or not) and the blanks behind it.
// A command line that begins with a blank has an empty program name.
const char* ArgumentText(const char* commandLine, LeadByteTest isLeadByte);

// The installer's and launcher's debug switch: the whole argument text is "/d" or "-d", in any case.
bool IsDebugSwitch(const char* argumentText);

// The installer's and launcher's switches. One argument "/log=PATH" (any case; quotes may surround the
// path or the whole argument) names the log file and comes out of the text; the rest is the debug
// switch as before. A path too long for a path buffer leaves `logPath` empty, with `logGiven` set.
struct ProgramSwitches {
  bool debug = false;
  bool logGiven = false;
  PathText logPath;
};
void ReadProgramSwitches(const char* argumentText, LeadByteTest isLeadByte, ProgramSwitches* switches);

}  // namespace glow
