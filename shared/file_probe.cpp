#include "file_probe.h"

#include "os.h"
#include "sizes.h"
#include "unique.h"

namespace glow {

bool IsFileExist(const char* path) {
  if (!path) return false;
  UniqueFile file(Sys().CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.valid();
}

bool MoveAside(const char* path, PathText* movedTo) {
  const DWORD stamp = Sys().GetTickCount();
  for (DWORD n = 0; n < kRestartNameTries; ++n) {
    if (!movedTo->Format("%s.%lu.deleted", path, static_cast<unsigned long>(stamp + n))) return false;
    if (Sys().MoveFileExA(path, movedTo->c_str(), 0)) return true;
    const DWORD error = ::GetLastError();
    if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) return false;
  }
  return false;
}

bool DeleteAtRestart(const char* path) {
  // Never under its own name: a reinstall before the restart would put its new file there, and the
  // restart would delete that. What cannot be moved aside stays, and its record with it.
  PathText moved;
  if (!MoveAside(path, &moved)) return false;
  if (Sys().MoveFileExA(moved.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) return true;
  const DWORD error = ::GetLastError();
  Sys().MoveFileExA(moved.c_str(), path, 0);  // back under the name the record lists
  ::SetLastError(error);
  return false;
}

}  // namespace glow
