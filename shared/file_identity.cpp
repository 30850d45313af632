#include "file_identity.h"

#include "os.h"

namespace glow {

bool FinalPathOf(HANDLE file, PathText* path) {
  // Room for the "\\?\UNC\" the system puts in front.
  BoundedText<kPathSize + 8> raw;
  const DWORD length = Sys().GetFinalPathNameByHandleA(file, raw.data(), static_cast<DWORD>(raw.kCapacity),
                                                       FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  if (length == 0) return false;
  if (length >= raw.kCapacity) {
    ::SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
  }
  const char* text = raw.c_str();
  const bool fits = strncmp(text, "\\\\?\\UNC\\", 8) == 0 ? path->Format("\\\\%s", text + 8)
                    : path->Assign(strncmp(text, "\\\\?\\", 4) == 0 ? text + 4 : text);
  if (!fits) ::SetLastError(ERROR_FILENAME_EXCED_RANGE);
  return fits;
}

bool SameFile(HANDLE a, HANDLE b) {
  BY_HANDLE_FILE_INFORMATION first = {};
  BY_HANDLE_FILE_INFORMATION second = {};
  return Sys().GetFileInformationByHandle(a, &first) && Sys().GetFileInformationByHandle(b, &second) &&
         first.dwVolumeSerialNumber == second.dwVolumeSerialNumber && first.nFileIndexHigh == second.nFileIndexHigh &&
         first.nFileIndexLow == second.nFileIndexLow;
}

}  // namespace glow
