#pragma once
// Heap blocks behind the growable texts and lists. Growth can be made to fail in tests: a list that
// cannot grow must leave nothing half-joined and nothing placed that it does not record.
#include <stddef.h>

namespace glow {

// realloc, or null when the block cannot grow (the old block then stays as it was).
void* GrowBlock(void* block, size_t size);
void FreeBlock(void* block);

// For tests: the `nth` growth from now fails (1 = the next one), and every one after it; 0 ends that.
void FailBlockGrowthFrom(unsigned nth);

}  // namespace glow
