// Apart from the rest of the frame: only the launcher and the uninstaller carry it, and its texts.
#include "app_frame.h"
#include "os.h"
#include "trace.h"

namespace glow {

bool TakeRemovalLock(UniqueHandle* lock) {
  lock->reset(Sys().CreateMutexA(nullptr, FALSE, "Global\\TAVO ScreenSaver Uninstaller Global Mutex"));
  if (!lock->valid()) {
    TraceError("CreateMutex (removal lock) failed, going on without it", "InitInstance");
    return true;
  }
  if (::GetLastError() != ERROR_ALREADY_EXISTS) return true;
  TraceNotice("another removal is running, nothing done", "InitInstance");
  return false;
}

}  // namespace glow
