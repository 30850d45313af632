#pragma once
// The seam as a GoogleMock: every call goes to the real operation unless a test says otherwise, so one
// test can fail exactly one call while Wine does everything else.
#include <gmock/gmock.h>

#include <string>
#include <vector>

#include "os.h"

namespace glow {

class MockOs : public Os {
 public:
  MockOs() {
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

#define GLOW_MOCK_METHOD(result, name, parameters, arguments, call, failed) MOCK_METHOD(result, name, parameters, (override));
  GLOW_OS_OPERATIONS(GLOW_MOCK_METHOD)
#undef GLOW_MOCK_METHOD

  RealOs& real() { return real_; }

  std::vector<std::string> lines;  // trace lines, in order
  std::vector<std::string> boxes;  // "caption: text" of each message box
  std::vector<UINT> boxTypes;
  int sleeps = 0;
  DWORD slept = 0;  // milliseconds

 private:
  RealOs real_;
};

// A failed call that leaves `error` as the thread's last error, as the real one would.
template <typename R>
auto FailWith(R result, DWORD error) {
  return [=](auto&&...) {
    ::SetLastError(error);
    return result;
  };
}

}  // namespace glow
