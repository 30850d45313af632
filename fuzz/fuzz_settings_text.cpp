// The settings file's text: its byte-order mark, and one value found in text of any shape.
#include <string.h>

#include <string>

#include "fuzz_support.h"
#include "settings_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const glow::SettingsMark mark = glow::SettingsMarkOf(data, size);
  FUZZ_CHECK(glow::SettingsMarkLength(mark) <= size);
  // The rest as UTF-16 text, as the installer hands it over.
  std::u16string text;
  for (size_t i = 0; i + 1 < size; i += 2) text += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
  for (const char* key : {"Name", "Version", "name"}) {
    const char16_t* value = nullptr;
    size_t length = 0;
    if (!glow::FindSettingsValue(text.data(), text.size(), "Inst", key, &value, &length)) {
      FUZZ_CHECK(value == nullptr);
      continue;
    }
    // A value lies inside the text, on one line, is not empty and keeps at most 253 characters, never
    // half a UTF-16 pair at its end.
    FUZZ_CHECK(value >= text.data() && value + length <= text.data() + text.size());
    FUZZ_CHECK(length > 0 && length <= glow::kSettingsValueLength);
    for (size_t i = 0; i < length; ++i) FUZZ_CHECK(value[i] != u'\n');
    FUZZ_CHECK(!(value[length - 1] >= 0xD800 && value[length - 1] <= 0xDBFF && length == glow::kSettingsValueLength));
    FUZZ_CHECK(!glow::settings_text::IsBlank(value[0]) || value[-1] == '"' || value[-1] == '\'');
  }
  return 0;
}
