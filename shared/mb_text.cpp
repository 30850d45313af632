#include "mb_text.h"

#include <string.h>

namespace glow {

namespace {

// Width of the character at p: 2 for a lead byte with a trail byte behind it, else 1.
size_t CharWidth(const char* p, LeadByteTest isLeadByte) {
  return (isLeadByte(static_cast<unsigned char>(*p)) && p[1] != '\0') ? 2 : 1;
}

bool AssignRange(const char* begin, const char* end, char* scratch, size_t capacity) {
  const size_t length = static_cast<size_t>(end - begin);
  if (length >= capacity) return false;
  memcpy(scratch, begin, length);
  scratch[length] = '\0';
  return true;
}

template <size_t N>
bool AssignPart(BoundedText<N>* part, const char* begin, const char* end) {
  if (!part) return true;
  char scratch[N];
  return AssignRange(begin, end, scratch, N) && part->Assign(scratch);
}

}  // namespace

char* MbTokenizer::Next() {
  if (!next_) return nullptr;
  while (*next_ == delimiter_) ++next_;
  if (*next_ == '\0') {
    next_ = nullptr;
    return nullptr;
  }
  char* piece = next_;
  while (*next_ != '\0' && *next_ != delimiter_) next_ += CharWidth(next_, isLeadByte_);
  if (*next_ == delimiter_) *next_++ = '\0';
  return piece;
}

const char* MbFind(const char* text, const char* needle, LeadByteTest isLeadByte) {
  if (!text || !needle) return nullptr;
  const size_t needleLength = strlen(needle);
  for (const char* p = text;; p += CharWidth(p, isLeadByte)) {
    if (strncmp(p, needle, needleLength) == 0) return p;
    if (*p == '\0') return nullptr;
  }
}

size_t MbPrefixNoCase(const char* text, const char* prefix, LeadByteTest isLeadByte) {
  if (!text || !prefix || !*prefix) return 0;
  const char* t = text;
  const char* p = prefix;
  while (*p != '\0') {
    if (*t == '\0') return 0;  // the text ends first
    const size_t width = CharWidth(p, isLeadByte);
    if (width == 2) {
      if (t[0] != p[0] || t[1] != p[1]) return 0;
    } else {
      // A trail byte of `text` must not pass for a letter of `prefix`.
      if (CharWidth(t, isLeadByte) != 1) return 0;
      const char a = (*t >= 'A' && *t <= 'Z') ? static_cast<char>(*t - 'A' + 'a') : *t;
      const char b = (*p >= 'A' && *p <= 'Z') ? static_cast<char>(*p - 'A' + 'a') : *p;
      if (a != b) return 0;
    }
    t += width;
    p += width;
  }
  return static_cast<size_t>(p - prefix);
}

bool MbEqualNoCase(const char* a, const char* b, LeadByteTest isLeadByte) {
  if (!a || !b) return false;
  if (*a == '\0' || *b == '\0') return *a == *b;
  return strlen(a) == strlen(b) && MbPrefixNoCase(a, b, isLeadByte) == strlen(b);
}

bool EndsInSeparator(const char* path, LeadByteTest isLeadByte) {
  if (!path) return false;
  const char* last = nullptr;
  for (const char* p = path; *p != '\0'; p += CharWidth(p, isLeadByte)) last = p;
  return last && CharWidth(last, isLeadByte) == 1 && (*last == '\\' || *last == '/');
}

bool SplitPath(const char* path, DriveText* drive, PathText* folder, PathText* baseName, PathText* extension,
               LeadByteTest isLeadByte) {
  if (!path) return false;
  const char* p = path;
  const char* driveEnd = p;
  if (p[0] != '\0' && p[1] == ':') driveEnd = p + 2;
  // The folder ends after the last separator, the extension starts at the last dot behind it.
  const char* lastSeparator = nullptr;
  const char* lastDot = nullptr;
  for (const char* q = driveEnd; *q != '\0'; q += CharWidth(q, isLeadByte)) {
    if (*q == '\\' || *q == '/') {
      lastSeparator = q;
      lastDot = nullptr;
    } else if (*q == '.') {
      lastDot = q;
    }
  }
  const char* nameBegin = lastSeparator ? lastSeparator + 1 : driveEnd;
  const char* end = path + strlen(path);
  const char* nameEnd = lastDot ? lastDot : end;
  return AssignPart(drive, p, driveEnd) && AssignPart(folder, driveEnd, nameBegin) &&
         AssignPart(baseName, nameBegin, nameEnd) && AssignPart(extension, nameEnd, end);
}

}  // namespace glow

namespace glow {

size_t RemoveAll(char* text, const char* pattern, LeadByteTest isLeadByte) {
  if (!text || !pattern || !*pattern) return 0;
  const size_t patternLength = strlen(pattern);
  size_t removed = 0;
  char* out = text;
  const char* in = text;
  while (*in != '\0') {
    if (strncmp(in, pattern, patternLength) == 0) {
      in += patternLength;
      ++removed;
      continue;
    }
    const size_t width = CharWidth(in, isLeadByte);
    memmove(out, in, width);
    out += width;
    in += width;
  }
  *out = '\0';
  return removed;
}

}  // namespace glow
