#include "mock_os.h"

namespace glow {

MockOs::MockOs() {
  real_.LoadSystemLibraries();
#define GLOW_MOCK_DELEGATES(result, name, parameters, arguments, call, failed) \
  ON_CALL(*this, name).WillByDefault([this] parameters { return real_.name arguments; });
  GLOW_OS_OPERATIONS(GLOW_MOCK_DELEGATES)
#undef GLOW_MOCK_DELEGATES
  // Trace lines are kept for the tests and still reach the debugger channel.
  ON_CALL(*this, OutputDebugStringA).WillByDefault([this](LPCSTR line) {
    lines.push_back(line);
    real_.OutputDebugStringA(line);
  });
  // No window may wait for a click in a test run.
  ON_CALL(*this, MessageBoxA).WillByDefault([this](HWND, LPCSTR text, LPCSTR caption, UINT type) {
    boxes.push_back(std::string(caption) + ": " + text);
    boxTypes.push_back(type);
    return IDOK;
  });
  // Waits cost nothing in tests; they are counted, and the clock moves on by what they would have taken.
  ON_CALL(*this, Sleep).WillByDefault([this](DWORD milliseconds) {
    ++sleeps;
    slept += milliseconds;
  });
  ON_CALL(*this, GetTickCount).WillByDefault([this]() { return real_.GetTickCount() + slept; });
}

MockOs::~MockOs() = default;

}  // namespace glow
