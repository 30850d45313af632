#pragma once
// Shared pieces of the fuzz targets: the invariant check and the lead-byte tables.
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

// abort() rather than assert(): must hold in every build, and libFuzzer keeps the input on SIGABRT.
#define FUZZ_CHECK(cond)                                                            \
  do {                                                                              \
    if (!(cond)) {                                                                  \
      fprintf(stderr, "invariant broken: %s (%s:%d)\n", #cond, __FILE__, __LINE__); \
      abort();                                                                      \
    }                                                                               \
  } while (0)

namespace fuzz {

inline bool NoLeadBytes(unsigned char) { return false; }

// Shift-JIS lead bytes: no ASCII byte is one, but trail bytes reach 0x40..0xFC, so '\\' and '|' can be trails.
inline bool Cp932Lead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// A table the input chooses, so even ASCII (the delimiter itself) can be a lead byte.
inline uint8_t g_leadSet[32];
inline bool FuzzedLead(unsigned char c) { return (g_leadSet[c >> 3] >> (c & 7)) & 1; }

typedef bool (*LeadTest)(unsigned char);

// UTF-8 to UTF-16 as the system decodes it with MB_ERR_INVALID_CHARS: no overlong form, no surrogate, nothing
// past U+10FFFF, no sequence cut short. False when the text breaks that or does not fit `capacity` units.
inline bool Utf8Wide(const char* text, char16_t* wide, size_t capacity) {
  size_t units = 0;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p;) {
    unsigned long code = *p;
    int more = code < 0x80 ? 0 : code >= 0xC2 && code < 0xE0 ? 1 : code >= 0xE0 && code < 0xF0 ? 2
               : code >= 0xF0 && code < 0xF5 ? 3 : -1;
    if (more < 0) return false;
    if (more) code &= 0x3F >> more;
    for (int i = 1; i <= more; ++i) {
      if ((p[i] & 0xC0) != 0x80) return false;
      code = code << 6 | (p[i] & 0x3F);
    }
    if ((more == 2 && (code < 0x800 || (code >= 0xD800 && code < 0xE000))) ||
        (more == 3 && (code < 0x10000 || code > 0x10FFFF)))
      return false;
    p += more + 1;
    if (units + (code >= 0x10000 ? 2 : 1) >= capacity) return false;
    if (code >= 0x10000) {
      wide[units++] = static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
      wide[units++] = static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
      wide[units++] = static_cast<char16_t>(code);
    }
  }
  if (units >= capacity) return false;
  wide[units] = u'\0';
  return true;
}

// A code page where every byte sequence is text (the DBCS cases only need the bytes walked).
inline bool AnyBytesWide(const char* text, char16_t* wide, size_t capacity) {
  size_t units = 0;
  for (; text[units] != '\0'; ++units) {
    if (units + 1 >= capacity) return false;
    wide[units] = static_cast<unsigned char>(text[units]);
  }
  wide[units] = u'\0';
  return true;
}

// Takes the 256-bit set from the front of the input; false when the input is too short.
inline bool TakeLeadSet(const uint8_t** data, size_t* size) {
  if (*size < sizeof g_leadSet) return false;
  for (size_t i = 0; i < sizeof g_leadSet; ++i) g_leadSet[i] = (*data)[i];
  *data += sizeof g_leadSet;
  *size -= sizeof g_leadSet;
  return true;
}

// The input as a C string: the product only ever sees text up to its first zero.
inline std::string AsText(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  const size_t zero = text.find('\0');
  if (zero != std::string::npos) text.resize(zero);
  return text;
}

// A heap copy with no spare byte after its zero, so AddressSanitizer sees any read past the end.
// (std::string and the product's growable text keep slack that hides such a read.)
class TightText {
 public:
  explicit TightText(const std::string& text) : data_(static_cast<char*>(malloc(text.size() + 1))) {
    memcpy(data_, text.c_str(), text.size() + 1);
  }
  ~TightText() { free(data_); }
  TightText(const TightText&) = delete;
  TightText& operator=(const TightText&) = delete;
  char* get() { return data_; }

 private:
  char* data_;
};

// Character starts of `text` walked from its beginning, the way the Windows runtime walks DBCS text:
// a lead byte with a byte behind it takes two.
inline std::string BoundaryMask(const std::string& text, LeadTest lead) {
  std::string mask(text.size(), 0);
  for (size_t i = 0; i < text.size();) {
    mask[i] = 1;
    i += (lead(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ? 2 : 1;
  }
  return mask;
}

// True when the last character is not a lead byte left without its trail.
inline bool EndsWhole(const std::string& text, LeadTest lead) {
  size_t i = 0;
  while (i < text.size()) {
    if (lead(static_cast<unsigned char>(text[i]))) {
      if (i + 1 == text.size()) return false;
      i += 2;
    } else {
      ++i;
    }
  }
  return true;
}

inline bool HasAtBoundary(const std::string& text, const std::string& needle, LeadTest lead) {
  const std::string mask = BoundaryMask(text, lead);
  for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1))
    if (mask[at]) return true;
  return false;
}

}  // namespace fuzz
