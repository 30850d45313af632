#include "growable_text.h"

#include <string.h>

#include "heap_block.h"
#include "sizes.h"

namespace glow {

GrowableText::~GrowableText() { FreeBlock(data_); }

// Gives the block back: a list from an earlier run should not pin its memory.
void GrowableText::Clear() {
  FreeBlock(data_);
  data_ = nullptr;
  length_ = 0;
  capacity_ = 0;
}

bool GrowableText::Reserve(size_t capacity) {
  if (capacity <= capacity_) return true;
  size_t grown = capacity_ ? capacity_ : kInitialListSize;
  while (grown < capacity) {
    if (grown > static_cast<size_t>(-1) / 2) return false;
    grown *= 2;
  }
  char* moved = static_cast<char*>(GrowBlock(data_, grown));
  if (!moved) return false;
  memset(moved + capacity_, 0, grown - capacity_);
  data_ = moved;
  capacity_ = grown;
  return true;
}

bool GrowableText::Assign(const char* text) {
  if (!text) return false;
  const size_t length = strlen(text);
  if (!Reserve(length + 1)) return false;
  memcpy(data_, text, length + 1);
  length_ = length;
  return true;
}

bool GrowableText::Append(const char* text) {
  if (!text) return false;
  const size_t added = strlen(text);
  if (!Reserve(length_ + added + 1)) return false;
  memcpy(data_ + length_, text, added + 1);
  length_ += added;
  return true;
}

void GrowableText::SyncLength() {
  if (!data_) return;
  data_[capacity_ - 1] = '\0';
  length_ = strlen(data_);
}

}  // namespace glow
