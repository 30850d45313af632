#pragma once
// Runs of the installer from a scratch folder that stands in for the folder it was started from.
#include "test_support.h"

#include "installer_app.h"

namespace glow {

class InstallerTest : public SeamTest {
 protected:
  void SetUp() override;
  // The installer believes it was started as <folder>\Glowset.exe.
  void StartedFrom(const std::string& folder);
  void WriteIni(const std::string& body) { WriteFileBytes(ownFolder + "\\Glowset.ini", body); }

  std::string ownFolder;
  std::string ownPath;
};

}  // namespace glow
