#include "registry_text.h"

#include <string.h>

#include "os.h"
#include "sizes.h"

namespace glow {

LONG SetTextValue(HKEY key, const char* name, const char* text) {
  return Sys().RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                              static_cast<DWORD>(strlen(text) + 1));
}

LONG ReadTextValue(HKEY key, const char* name, GrowableText* value) {
  DWORD size = kInitialListSize;
  for (int attempt = 0; attempt < 4; ++attempt) {
    if (!value->Reserve(size + 1)) return ERROR_NOT_ENOUGH_MEMORY;
    memset(value->data(), 0, value->Capacity());
    DWORD type = REG_NONE;
    size = static_cast<DWORD>(value->Capacity() - 1);
    const LONG status =
        Sys().RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(value->data()), &size);
    if (status == ERROR_MORE_DATA) continue;  // `size` now says how much it needs
    if (status == ERROR_SUCCESS && type != REG_SZ && type != REG_EXPAND_SZ) {
      // Bytes of another type are no list of paths: deleting by them could hit anything.
      memset(value->data(), 0, value->Capacity());
      value->SyncLength();
      return ERROR_INVALID_DATATYPE;
    }
    value->SyncLength();
    return status;
  }
  value->Clear();
  return ERROR_MORE_DATA;
}

}  // namespace glow
