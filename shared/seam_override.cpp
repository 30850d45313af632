// Tests put their own operations in place of the real ones. Kept apart from what the programs link, so
// that no program carries a trampoline, or imports a function, it does not use.
#include "os.h"

namespace glow {

namespace {

Os* g_test = nullptr;

#define GLOW_OS_FORWARD(result, name, parameters, arguments, call, failed) \
  result WINAPI Forward##name parameters { return g_test->name arguments; }
GLOW_OS_OPERATIONS(GLOW_OS_FORWARD)
#undef GLOW_OS_FORWARD

}  // namespace

void SetSys(Os* os) {
  g_test = os;
#define GLOW_OS_POINT(result, name, parameters, arguments, call, failed) seam::name = os ? Forward##name : call;
  GLOW_OS_OPERATIONS(GLOW_OS_POINT)
#undef GLOW_OS_POINT
}

}  // namespace glow
