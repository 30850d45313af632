#include "arguments.h"

#include <string.h>

#include "growable_text.h"

namespace glow {

namespace {

// What follows "/<name>=" when the piece begins with it, else null.
const char* SwitchValue(const char* piece, const char* name) {
  const size_t length = strlen(name);
  if (piece[0] != '/' || strncmp(piece + 1, name, length) != 0 || piece[length + 1] != '=') return nullptr;
  return piece + length + 2;
}

}  // namespace

bool ParseUninstallerArguments(const char* argumentText, LeadByteTest isLeadByte, ArgumentListener* listener) {
  // Cutting overwrites the quotes, so it works on a copy; the copy grows with the text.
  GrowableText copy;
  if (!copy.Assign(argumentText ? argumentText : "")) return false;
  if (copy.Empty()) return true;
  MbTokenizer pieces(copy.data(), '"', isLeadByte);
  for (char* piece = pieces.Next(); piece; piece = pieces.Next()) {
    if (const char* value = SwitchValue(piece, kReportSwitch)) {
      listener->OnSwitch(kReportSwitch, value);
    } else if (const char* value = SwitchValue(piece, kLogSwitch)) {
      listener->OnSwitch(kLogSwitch, value);
    } else if (MbFind(piece, "/name", isLeadByte)) {
      RemoveAll(piece, "/name=", isLeadByte);
      listener->OnName(piece);
    } else if (MbFind(piece, "/d", isLeadByte)) {
      listener->OnDebugSwitch();
    } else {
      listener->OnUnknown(piece);
    }
  }
  return true;
}

}  // namespace glow
