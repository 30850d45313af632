#pragma once
// A registered product for the removal tests: its key, listed files and launcher file on the real system.
#include "test_support.h"

#include "uninstall_actions.h"

namespace glow {

class RemovalTest : public SeamTest {
 protected:
  static constexpr const char* kProduct = "Glowtest Removal";
  void SetUp() override;
  void TearDown() override;
  // Records the product with this copied-file list, written as the installer writes it.
  void Register(const std::string& list, DWORD type = REG_SZ);
  RegValue ScrnSave() const { return ReadScrnSave(); }
  // A file in the native system folder, where the installer places screen savers; returns the path as
  // the installer lists it.
  std::string File(const std::string& name, const std::string& bytes = "scr");
  // The path through which a removal with redirection on reaches a listed file.
  static std::string Reach(const std::string& listed);
  // One removal run of one pass as the tests run it: with the redirection this process has.
  RemovalOutcome Remove() {
    return PlaceRemoval(kProduct, &run) ? UninstAct(false, &run) : RemovalOutcome::kNothingLoaded;
  }
  // Paths named in PendingFileRenameOperations, to be deleted at the next restart.
  static std::vector<std::string> PendingDeletions();

  std::string key;
  std::string launcher;
  RemovalRun run;  // the last pass's

 private:
  RegValue savedScrnSave_;
  RegValue savedPending_;
  std::vector<std::string> files_;
};

}  // namespace glow
