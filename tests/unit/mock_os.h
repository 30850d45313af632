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
  MockOs();  // out of line: its default actions are compiled once, not in every test file
  ~MockOs() override;

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
