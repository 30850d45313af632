#include "file_probe.h"

#include "os.h"
#include "unique.h"

namespace glow {

bool IsFileExist(const char* path) {
  if (!path) return false;
  UniqueFile file(Sys().CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.valid();
}

}  // namespace glow
