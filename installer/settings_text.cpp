#include "settings_text.h"

namespace glow {

SettingsMark SettingsMarkOf(const unsigned char* bytes, size_t size) {
  if (size >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) return kUtf8Mark;
  if (size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) return kUtf16Mark;
  if (size >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) return kUtf16BigEndianMark;  // Notepad offers it too
  return kNoMark;
}

size_t SettingsMarkLength(SettingsMark mark) { return mark == kNoMark ? 0 : mark == kUtf8Mark ? 3 : 2; }

}  // namespace glow
