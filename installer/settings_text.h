#pragma once
// The settings file as text: which encoding its bytes are in, and one value of one section, found the way
// the system's own settings read finds it. Platform-free: the character type is a parameter, so the host
// fuzzes the same code.
#include <stddef.h>

#include "sizes.h"

namespace glow {

// What the first bytes say. No mark: UTF-8 when the bytes are valid UTF-8, else the legacy ANSI code page.
enum SettingsMark { kNoMark, kUtf8Mark, kUtf16Mark, kUtf16BigEndianMark };  // kUtf16Mark: little-endian
SettingsMark SettingsMarkOf(const unsigned char* bytes, size_t size);
size_t SettingsMarkLength(SettingsMark mark);

namespace settings_text {

inline bool IsBlank(unsigned c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// `name` (ASCII letters) against [begin, end), in either case alike.
template <typename Char>
bool NameIs(const Char* begin, const Char* end, const char* name) {
  for (; begin < end; ++begin, ++name)
    if (*name == '\0' || (*begin | 0x20) != (*name | 0x20)) return false;
  return *name == '\0';
}

}  // namespace settings_text

// The value of `key` in `[section]` of `text` (`length` characters): names of ASCII letters, in any case,
// blanks around names and values dropped, a value's one pair of enclosing quotes (" or ') dropped, at
// most kSettingsValueLength characters of it kept (a UTF-16 pair is never split). The first section of
// that name holding the key wins. False, `*value` untouched, when the key is absent or its value empty.
template <typename Char>
bool FindSettingsValue(const Char* text, size_t length, const char* section, const char* key, const Char** value,
                       size_t* valueLength) {
  using settings_text::IsBlank;
  using settings_text::NameIs;
  const Char* const end = text + length;
  bool inSection = false;
  for (const Char* line = text; line < end;) {
    const Char* lineEnd = line;
    while (lineEnd < end && *lineEnd != '\n') ++lineEnd;
    const Char* next = lineEnd < end ? lineEnd + 1 : end;
    while (line < lineEnd && IsBlank(*line)) ++line;
    while (lineEnd > line && IsBlank(lineEnd[-1])) --lineEnd;
    if (line < lineEnd && *line == '[') {
      const Char* close = line + 1;
      while (close < lineEnd && *close != ']') ++close;
      inSection = NameIs(line + 1, close, section);
    } else if (inSection) {
      const Char* equals = line;
      while (equals < lineEnd && *equals != '=') ++equals;
      const Char* nameEnd = equals;
      while (nameEnd > line && IsBlank(nameEnd[-1])) --nameEnd;
      if (equals < lineEnd && NameIs(line, nameEnd, key)) {
        const Char* begin = equals + 1;
        while (begin < lineEnd && IsBlank(*begin)) ++begin;
        const Char* valueEnd = lineEnd;
        if (valueEnd - begin > 1 && (*begin == '"' || *begin == '\'') && valueEnd[-1] == *begin) {
          ++begin;
          --valueEnd;
        }
        size_t kept = static_cast<size_t>(valueEnd - begin);
        if (kept > kSettingsValueLength) {
          kept = kSettingsValueLength;
          if (begin[kept - 1] >= 0xD800 && begin[kept - 1] <= 0xDBFF) --kept;  // a pair's first half
        }
        if (kept == 0) return false;
        *value = begin;
        *valueLength = kept;
        return true;
      }
    }
    line = next;
  }
  return false;
}

}  // namespace glow
