#include "format.h"

namespace glow {

namespace {

class Writer {
 public:
  Writer(char* buffer, size_t capacity) : buffer_(buffer), capacity_(capacity) {}
  void Put(char c) {
    if (buffer_ && length_ + 1 < capacity_) buffer_[length_] = c;
    ++length_;
  }
  void Finish() {
    if (!buffer_ || capacity_ == 0) return;
    buffer_[length_ < capacity_ ? length_ : capacity_ - 1] = '\0';
  }
  int Length() const { return static_cast<int>(length_); }

 private:
  char* buffer_;
  size_t capacity_;
  size_t length_ = 0;
};

// Divides by ten in 16-bit steps, so that no general 64-bit division (464 bytes of the runtime) is
// linked into each program. Returns the remainder.
unsigned DivideByTen(unsigned long long* value) {
  const unsigned high = static_cast<unsigned>(*value >> 32);
  const unsigned low = static_cast<unsigned>(*value);
  const unsigned middle = (high % 10) << 16 | low >> 16;
  const unsigned bottom = (middle % 10) << 16 | (low & 0xffff);
  *value = static_cast<unsigned long long>(high / 10) << 32 | (middle / 10) << 16 | bottom / 10;
  return bottom % 10;
}

void PutNumber(Writer* out, unsigned long long value, bool negative, unsigned width, bool zeroPad) {
  char digits[24];
  unsigned count = 0;
  do {
    digits[count++] = static_cast<char>('0' + DivideByTen(&value));
  } while (value != 0);
  const unsigned used = count + (negative ? 1 : 0);
  if (!zeroPad)
    for (unsigned i = used; i < width; ++i) out->Put(' ');
  if (negative) out->Put('-');
  if (zeroPad)
    for (unsigned i = used; i < width; ++i) out->Put('0');
  while (count > 0) out->Put(digits[--count]);
}

}  // namespace

int FormatTextV(char* buffer, size_t capacity, const char* format, va_list args) {
  Writer out(buffer, capacity);
  for (const char* p = format; *p; ++p) {
    if (*p != '%') {
      out.Put(*p);
      continue;
    }
    const char* start = p++;
    const bool zeroPad = *p == '0';
    unsigned width = 0;
    while (*p >= '0' && *p <= '9') width = width * 10 + static_cast<unsigned>(*p++ - '0');
    int longs = 0;
    while (*p == 'l') ++longs, ++p;
    switch (*p) {
      case 's': {
        const char* text = va_arg(args, const char*);
        for (text = text ? text : "(null)"; *text; ++text) out.Put(*text);
        break;
      }
      case 'c':
        out.Put(static_cast<char>(va_arg(args, int)));
        break;
      case 'd': {
        long long value = longs >= 2 ? va_arg(args, long long) : longs == 1 ? va_arg(args, long) : va_arg(args, int);
        const bool negative = value < 0;
        const unsigned long long magnitude =
            negative ? 0ULL - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
        PutNumber(&out, magnitude, negative, width, zeroPad);
        break;
      }
      case 'u': {
        unsigned long long value = longs >= 2   ? va_arg(args, unsigned long long)
                                   : longs == 1 ? va_arg(args, unsigned long)
                                                : va_arg(args, unsigned);
        PutNumber(&out, value, false, width, zeroPad);
        break;
      }
      case '%':
        out.Put('%');
        break;
      default:  // not a form we use: keep it as written
        for (const char* q = start; q <= p && *q; ++q) out.Put(*q);
        if (!*p) --p;
        break;
    }
  }
  out.Finish();
  return out.Length();
}

int FormatText(char* buffer, size_t capacity, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int length = FormatTextV(buffer, capacity, format, args);
  va_end(args);
  return length;
}

}  // namespace glow
