#pragma once
// Switches WOW64 file-system redirection off while a 32-bit program works in the native system folder.
#include <windows.h>

namespace glow {

// True when this process runs under WOW64; false also when the system cannot tell.
bool IsWin64();

class Wow64RedirectionGuard {
 public:
  // Looks up what it needs and switches redirection off where it can; traces at "InitInstance".
  Wow64RedirectionGuard();
  // Switches back on, unless SwitchBackOn already did.
  ~Wow64RedirectionGuard();
  Wow64RedirectionGuard(const Wow64RedirectionGuard&) = delete;
  Wow64RedirectionGuard& operator=(const Wow64RedirectionGuard&) = delete;

  // Redirection on again, under the same condition it was switched off; runs once.
  void SwitchBackOn();

  bool bWin64() const { return bWin64_; }
  bool HasSwitch() const { return fnWow64EnableWow64FsRedirection_ != nullptr; }
  // True while redirection is known to be off: switched off here and not yet back on.
  bool RedirectionOff() const { return switchedOff_ && !switchedBack_; }

 private:
  bool bWin64_;
  FARPROC fnWow64EnableWow64FsRedirection_;
  bool switchedOff_ = false;
  bool switchedBack_ = false;
};

}  // namespace glow
