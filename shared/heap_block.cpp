#include "heap_block.h"

#include <stdlib.h>

namespace glow {

namespace {
// 0: growth never fails on purpose; 1: every growth fails; n: n - 1 more growths succeed first.
unsigned g_growthsUntilFailure = 0;
}  // namespace

void* GrowBlock(void* block, size_t size) {
  if (g_growthsUntilFailure == 1) return nullptr;
  if (g_growthsUntilFailure) --g_growthsUntilFailure;
  return realloc(block, size);
}

void FreeBlock(void* block) { free(block); }

void FailBlockGrowthFrom(unsigned nth) { g_growthsUntilFailure = nth; }

}  // namespace glow
