#pragma once
// Heap text that grows as needed, for the copied-file list, which has no size limit.
#include <stddef.h>

namespace glow {

class GrowableText {
 public:
  GrowableText() = default;
  ~GrowableText();
  GrowableText(const GrowableText&) = delete;
  GrowableText& operator=(const GrowableText&) = delete;

  void Clear();
  bool Assign(const char* text);
  bool Append(const char* text);
  // Room for at least `capacity` bytes, terminating zero included; keeps the text.
  bool Reserve(size_t capacity);

  const char* c_str() const { return data_ ? data_ : ""; }
  char* data() { return data_; }
  size_t Length() const { return length_; }
  size_t Capacity() const { return capacity_; }
  bool Empty() const { return length_ == 0; }
  // After the buffer was filled from outside: take the length up to the first zero.
  void SyncLength();

 private:
  char* data_ = nullptr;
  size_t length_ = 0;
  size_t capacity_ = 0;
};

}  // namespace glow
