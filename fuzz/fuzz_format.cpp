// The programs' own printf against the C library's, for every form they use, at every buffer size.
#include <fuzzer/FuzzedDataProvider.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include <string>

#include "format.h"
#include "fuzz_support.h"

namespace {

// One call site, so the arguments are fixed; the format uses a fuzzed prefix of them, in order.
const char* const kConversions[] = {"s", "c", "d", "ld", "lld", "u", "lu", "llu", "s"};
const size_t kSlots = sizeof kConversions / sizeof kConversions[0];

std::string Literal(FuzzedDataProvider* input) {
  std::string text = input->ConsumeRandomLengthString(24);
  std::string out;
  for (char c : text)
    if (c != '%' && c != '\0') out += c;
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const size_t used = input.ConsumeIntegralInRange<size_t>(0, kSlots);
  std::string format = Literal(&input);
  for (size_t slot = 0; slot < used; ++slot) {
    format += '%';
    const char* conversion = kConversions[slot];
    // Widths are only promised for numbers.
    if (conversion[0] != 's' && conversion[0] != 'c' && input.ConsumeBool()) {
      if (input.ConsumeBool()) format += '0';
      format += std::to_string(input.ConsumeIntegralInRange(1, 24));
    }
    format += conversion;
    if (input.ConsumeIntegralInRange(0, 7) == 0) format += "%%";
    format += Literal(&input);
  }
  std::string first = input.ConsumeRandomLengthString(80);
  first = first.substr(0, first.find('\0'));
  const bool firstIsNull = input.ConsumeIntegralInRange(0, 9) == 0;
  const char c = static_cast<char>(input.ConsumeIntegral<unsigned char>());
  const int i = input.ConsumeIntegral<int>();
  const long l = input.ConsumeIntegral<long>();
  const long long ll = input.ConsumeIntegral<long long>();
  const unsigned u = input.ConsumeIntegral<unsigned>();
  const unsigned long ul = input.ConsumeIntegral<unsigned long>();
  const unsigned long long ull = input.ConsumeIntegral<unsigned long long>();
  const size_t capacity = input.ConsumeIntegralInRange<size_t>(0, 400);
  std::string last = input.ConsumeRemainingBytesAsString();
  last = last.substr(0, last.find('\0'));
  // glibc prints "(null)" for a null %s as well, which is the form the programs rely on.
  const char* s1 = firstIsNull ? nullptr : first.c_str();

  char theirs[512], ours[512];
  memset(theirs, 0x5A, sizeof theirs);
  memset(ours, 0x5A, sizeof ours);
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wformat-nonliteral"
#pragma clang diagnostic ignored "-Wformat-security"
  const int wanted = snprintf(theirs, capacity, format.c_str(), s1, c, i, l, ll, u, ul, ull, last.c_str());
  const int got = glow::FormatText(ours, capacity, format.c_str(), s1, c, i, l, ll, u, ul, ull, last.c_str());
#pragma clang diagnostic pop
  if (got != wanted || memcmp(theirs, ours, sizeof ours) != 0) {
    fprintf(stderr, "format \"%s\" capacity %zu: libc %d \"%.*s\", ours %d \"%.*s\"\n", format.c_str(), capacity,
            wanted, static_cast<int>(capacity), theirs, got, static_cast<int>(capacity), ours);
    FUZZ_CHECK(got == wanted);
    FUZZ_CHECK(memcmp(theirs, ours, sizeof ours) == 0);
  }
  return 0;
}
