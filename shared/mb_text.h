#pragma once
// Multi-byte text walking that never takes a trail byte for a delimiter. Free of the platform,
// so the same code builds for the host too; the lead-byte test is handed in.
#include "bounded_text.h"
#include "sizes.h"

namespace glow {

typedef bool (*LeadByteTest)(unsigned char c);

// Splits a text in place at one delimiter: a run of delimiters counts as one, delimiters at either end
// yield no empty piece, an empty text yields none. Each piece is zero-terminated where its delimiter was.
class MbTokenizer {
 public:
  MbTokenizer(char* text, char delimiter, LeadByteTest isLeadByte)
      : next_(text), delimiter_(delimiter), isLeadByte_(isLeadByte) {}
  char* Next();

 private:
  char* next_;
  char delimiter_;
  LeadByteTest isLeadByte_;
};

// Finds `needle` starting at a character boundary of `text`; null when absent.
const char* MbFind(const char* text, const char* needle, LeadByteTest isLeadByte);

// Length of `prefix` when `text` starts with it, compared as the system compares paths: single-byte
// letters in either case alike, double-byte characters byte for byte. 0 when it does not (or is empty).
size_t MbPrefixNoCase(const char* text, const char* prefix, LeadByteTest isLeadByte);
bool MbEqualNoCase(const char* a, const char* b, LeadByteTest isLeadByte);

// True when the last character of `path` is a separator (a trail byte never is): a root such as "D:\".
bool EndsInSeparator(const char* path, LeadByteTest isLeadByte);

typedef BoundedText<kPathSize> PathText;

// A character Windows allows in no file name: a control character or one of \ / : * ? " < > |.
inline bool IsForbiddenInFileName(unsigned char c) {
  return c < 32 || c == 127 || c == '\\' || c == '/' || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' ||
         c == '>' || c == '|';
}
typedef BoundedText<kDriveSize> DriveText;

// Path split as the C runtime does it: drive ("C:"), folder with its leading and trailing separator,
// base name, and extension with its dot. False when a part does not fit its buffer.
bool SplitPath(const char* path, DriveText* drive, PathText* folder, PathText* baseName, PathText* extension,
               LeadByteTest isLeadByte);

}  // namespace glow

namespace glow {

// Removes every occurrence of `pattern` from `text` in place, left to right, case-sensitively, each match
// starting at a character boundary. Returns how many were removed.
size_t RemoveAll(char* text, const char* pattern, LeadByteTest isLeadByte);

}  // namespace glow
