#pragma once
// A small printf for the few forms the programs use: %s, %c, %d, %u, %ld, %lu, %lld, %llu, zero-padded
// widths (%04d) and %%. Platform-free, and far smaller than the runtime's printf with its float support.
// Like vsnprintf: writes at most capacity-1 characters and a zero, returns the length the whole text needs.
#include <stdarg.h>
#include <stddef.h>

namespace glow {

int FormatTextV(char* buffer, size_t capacity, const char* format, va_list args);
int FormatText(char* buffer, size_t capacity, const char* format, ...) __attribute__((format(printf, 3, 4)));

}  // namespace glow
