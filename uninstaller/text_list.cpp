#include "text_list.h"

#include <string.h>

#include "heap_block.h"

namespace glow {

TextList::~TextList() { Clear(); }

void TextList::Clear() {
  for (size_t i = 0; i < count_; ++i) FreeBlock(items_[i]);
  FreeBlock(items_);
  items_ = nullptr;
  count_ = 0;
  capacity_ = 0;
}

bool TextList::Add(const char* text) {
  if (count_ == capacity_) {
    const size_t grown = capacity_ ? capacity_ * 2 : 16;
    char** moved = static_cast<char**>(GrowBlock(items_, grown * sizeof *items_));
    if (!moved) return false;
    items_ = moved;
    capacity_ = grown;
  }
  const size_t length = strlen(text);
  char* copy = static_cast<char*>(GrowBlock(nullptr, length + 1));
  if (!copy) return false;
  memcpy(copy, text, length + 1);
  items_[count_++] = copy;
  return true;
}

}  // namespace glow
