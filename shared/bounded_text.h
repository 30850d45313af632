#pragma once
// Fixed-capacity text. Nothing here can write past the buffer: every change returns false and
// leaves the text as it was when the result would not fit.
#include <stdarg.h>
#include <string.h>

#include "format.h"

namespace glow {

template <size_t N>
class BoundedText {
 public:
  static constexpr size_t kCapacity = N;  // terminating zero included

  BoundedText() { Clear(); }
  BoundedText(const BoundedText&) = default;
  BoundedText& operator=(const BoundedText&) = default;

  void Clear() { memset(buffer_, 0, N); }
  bool Assign(const char* text) {
    if (!text || strlen(text) >= N) return false;
    Clear();
    memcpy(buffer_, text, strlen(text));
    return true;
  }
  bool Append(const char* text) {
    const size_t used = Length();
    if (!text || used + strlen(text) >= N) return false;
    memcpy(buffer_ + used, text, strlen(text) + 1);
    return true;
  }
  // printf-style; false (text unchanged) when the result would not fit.
  bool Format(const char* format, ...) __attribute__((format(printf, 2, 3))) {
    char scratch[N];
    va_list args;
    va_start(args, format);
    const int written = FormatTextV(scratch, N, format, args);
    va_end(args);
    if (written < 0 || static_cast<size_t>(written) >= N) return false;
    Clear();
    memcpy(buffer_, scratch, static_cast<size_t>(written));
    return true;
  }

  const char* c_str() const { return buffer_; }
  // For platform calls that fill the buffer; they are given kCapacity as the size.
  char* data() { return buffer_; }
  size_t Length() const { return strnlen(buffer_, N); }
  bool Empty() const { return buffer_[0] == '\0'; }

 private:
  char buffer_[N];
};

}  // namespace glow
