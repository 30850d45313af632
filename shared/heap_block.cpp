#include "heap_block.h"

#include <stdlib.h>

namespace glow {

namespace {
unsigned g_growthsBeforeFailure = 0;  // 0: growth never fails on purpose
bool g_growthFails = false;
}  // namespace

void* GrowBlock(void* block, size_t size) {
  if (!g_growthFails && g_growthsBeforeFailure && --g_growthsBeforeFailure == 0) g_growthFails = true;
  if (g_growthFails) return nullptr;
  return realloc(block, size);
}

void FreeBlock(void* block) { free(block); }

void FailBlockGrowthFrom(unsigned nth) {
  g_growthsBeforeFailure = nth;
  g_growthFails = false;
}

}  // namespace glow
