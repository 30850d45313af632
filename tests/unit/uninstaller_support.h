#pragma once
// A registered product for the removal tests: its key, listed files and launcher file on the real system.
#include "test_support.h"

namespace glow {

class RemovalTest : public SeamTest {
 protected:
  static constexpr const char* kProduct = "Glowtest Removal";
  void SetUp() override;
  void TearDown() override;
  // Records the product with this copied-file list, written as the installer writes it.
  void Register(const std::string& list, DWORD type = REG_SZ);
  RegValue ScrnSave() const { return ReadScrnSave(); }
  std::string File(const std::string& name, const std::string& bytes = "scr");

  std::string key;
  std::string folder;
  std::string launcher;

 private:
  RegValue savedScrnSave_;
};

}  // namespace glow
