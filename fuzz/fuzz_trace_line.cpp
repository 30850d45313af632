// One trace line from texts of any length: the line is cut, never overrun, and a cut line keeps its CR LF.
#include <fuzzer/FuzzedDataProvider.h>
#include <string.h>

#include <string>

#include "fuzz_support.h"
#include "trace_line.h"

namespace {

const size_t kSize = glow::TraceLine::kCapacity;

// A text or null; repeated so a short input still reaches past the 4096-byte line.
struct Field {
  std::string text;
  bool null = false;
  const char* get() const { return null ? nullptr : text.c_str(); }
  std::string shown(const char* fallback) const { return null ? fallback : text; }
};

Field TakeField(FuzzedDataProvider* input) {
  Field field;
  field.null = input->ConsumeIntegralInRange(0, 15) == 0;
  const std::string piece = input->ConsumeRandomLengthString(256);
  const size_t times = input->ConsumeIntegralInRange<size_t>(1, 40);
  for (size_t i = 0; i < times; ++i) field.text += piece;
  field.text = field.text.substr(0, field.text.find('\0'));
  return field;
}

void CheckLine(const glow::TraceLine& line, const std::string& whole) {
  const char* text = line.c_str();
  const size_t length = strnlen(text, kSize);
  FUZZ_CHECK(length < kSize);
  if (whole.size() < kSize) {
    FUZZ_CHECK(whole == text);
    return;
  }
  // Cut: as long as the buffer allows, the text's own start, then CR LF.
  FUZZ_CHECK(length == kSize - 1);
  FUZZ_CHECK(text[length - 2] == '\r' && text[length - 1] == '\n');
  FUZZ_CHECK(whole.compare(0, length - 2, text, length - 2) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const Field tag = TakeField(&input);
  const Field where = TakeField(&input);
  const Field what = TakeField(&input);
  const Field system = TakeField(&input);
  const unsigned long code = input.ConsumeIntegral<unsigned long>();

  glow::TraceLine line;
  glow::FormatNoticeLine(&line, tag.get(), where.get(), what.get());
  const std::string notice =
      "[" + tag.shown("(null)") + "][Notify]" + where.shown("(null)") + " -> " + what.shown("(null)") + "\r\n";
  CheckLine(line, notice);
  // Every notice ends its line, cut or not.
  const size_t length = strlen(line.c_str());
  FUZZ_CHECK(length >= 2 && line.c_str()[length - 2] == '\r' && line.c_str()[length - 1] == '\n');

  // The same buffer reused: nothing of the longer line before may show through.
  glow::FormatErrorLine(&line, tag.get(), where.get(), what.get(), code, system.get());
  const std::string error = "[" + tag.shown("(null)") + "]" + where.shown("(null)") + " -> " + what.shown("(null)") +
                            " error: " + std::to_string(code) + " - " + system.shown(glow::kNoSystemText);
  CheckLine(line, error);
  return 0;
}
