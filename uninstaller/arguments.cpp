#include "arguments.h"

#include <string.h>

#include "growable_text.h"

namespace glow {

bool ParseUninstallerArguments(const char* argumentText, LeadByteTest isLeadByte, ArgumentListener* listener) {
  // Cutting overwrites the quotes, so it works on a copy; the copy grows with the text.
  GrowableText copy;
  if (!copy.Assign(argumentText ? argumentText : "")) return false;
  if (copy.Empty()) return true;
  MbTokenizer pieces(copy.data(), '"', isLeadByte);
  for (char* piece = pieces.Next(); piece; piece = pieces.Next()) {
    if (strncmp(piece, "/report=", 8) == 0) {
      listener->OnSwitch("report", piece + 8);
    } else if (strncmp(piece, "/log=", 5) == 0) {
      listener->OnSwitch("log", piece + 5);
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
