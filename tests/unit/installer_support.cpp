#include "installer_support.h"

#include <string.h>

namespace glow {

void InstallerTest::SetUp() {
  SeamTest::SetUp();
  SetTraceTag("Glowset");
  ResetTraceForTests();  // the installer sets it itself from its command line
  StartedFrom(NewFolder("own"));
}

void InstallerTest::StartedFrom(const std::string& folder) {
  ownFolder = folder;
  ownPath = folder + "\\Glowset.exe";
  ON_CALL(os, GetModuleFileNameA(nullptr, ::testing::_, ::testing::_))
      .WillByDefault([this](HMODULE, LPSTR path, DWORD size) -> DWORD {
        if (ownPath.size() >= size) return 0;
        strcpy(path, ownPath.c_str());
        return static_cast<DWORD>(ownPath.size());
      });
}

}  // namespace glow
