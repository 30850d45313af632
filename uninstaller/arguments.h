#pragma once
// Reading the uninstaller's argument text. Platform-free: what each piece means is reported to a
// listener, so the same parser runs in the program and anywhere else.
#include "command_line.h"
#include "mb_text.h"

namespace glow {

class ArgumentListener {
 public:
  virtual ~ArgumentListener() = default;
  virtual void OnName(const char* name) = 0;      // a piece with "/name", every "/name=" removed
  virtual void OnDebugSwitch() = 0;               // a piece without "/name" that contains "/d"
  virtual void OnUnknown(const char* piece) = 0;  // anything else
  // A piece that begins with "/report=" or "/log=" (what the launcher adds behind the name): `name` is
  // "report" or "log", `value` what follows the "=".
  virtual void OnSwitch(const char* name, const char* value) { (void)name, (void)value; }
};

// Cuts the text at every double quote (a trail byte is never one) and reports each piece in order.
// False when the text could not be copied for cutting; nothing has been reported then.
bool ParseUninstallerArguments(const char* argumentText, LeadByteTest isLeadByte, ArgumentListener* listener);

}  // namespace glow
