#include "text_list.h"

#include <stdlib.h>
#include <string.h>

namespace glow {

TextList::~TextList() {
  Clear();
  free(items_);
}

void TextList::Clear() {
  for (size_t i = 0; i < count_; ++i) free(items_[i]);
  count_ = 0;
}

bool TextList::Add(const char* text) {
  if (count_ == capacity_) {
    const size_t grown = capacity_ ? capacity_ * 2 : 16;
    char** moved = static_cast<char**>(realloc(items_, grown * sizeof *items_));
    if (!moved) return false;
    items_ = moved;
    capacity_ = grown;
  }
  const size_t length = strlen(text);
  char* copy = static_cast<char*>(malloc(length + 1));
  if (!copy) return false;
  memcpy(copy, text, length + 1);
  items_[count_++] = copy;
  return true;
}

}  // namespace glow
