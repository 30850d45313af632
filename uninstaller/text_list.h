#pragma once
// An ordered list of owned texts (the removal list). Heap-backed, no size limit.
#include <stddef.h>

namespace glow {

class TextList {
 public:
  TextList() = default;
  ~TextList();
  TextList(const TextList&) = delete;
  TextList& operator=(const TextList&) = delete;

  void Clear();
  bool Add(const char* text);
  size_t Count() const { return count_; }
  const char* At(size_t index) const { return items_[index]; }

 private:
  char** items_ = nullptr;
  size_t count_ = 0;
  size_t capacity_ = 0;
};

}  // namespace glow
