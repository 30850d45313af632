// A product name the installer accepts must reach the uninstaller unchanged: installer writes
// "<Windows>\<name> Uninstaller.exe", the launcher takes the name back from its own path and hands it
// over on the command line, the uninstaller reads it from there.
#include <fuzzer/FuzzedDataProvider.h>
#include <string.h>

#include <string>
#include <vector>

#include "arguments.h"
#include "command_line.h"
#include "fuzz_support.h"
#include "launcher_names.h"
#include "product_name.h"

namespace {

using fuzz::LeadTest;

struct Recorder : glow::ArgumentListener {
  void OnName(const char* name) override { events.push_back("name:" + std::string(name)); }
  void OnDebugSwitch() override { events.push_back("debug"); }
  void OnUnknown(const char* piece) override { events.push_back("unknown:" + std::string(piece)); }
  std::vector<std::string> events;
};

void Check(const std::string& windowsFolder, const std::string& name, bool debug, LeadTest lead,
           glow::WideDecoder decode) {
  if (glow::ProductNameFault(name.c_str(), lead, decode)) return;
  if (glow::JoinedPathFault(windowsFolder.c_str(), name.c_str(), " Uninstaller.exe")) return;
  const std::string launcherPath = windowsFolder + "\\" + name + " Uninstaller.exe";

  glow::PathText taken;
  FUZZ_CHECK(glow::ProductNameFromLauncherPath(launcherPath.c_str(), &taken, lead));
  if (name != taken.c_str()) {
    fprintf(stderr, "launcher took \"%s\" from \"%s\"\n", taken.c_str(), launcherPath.c_str());
    FUZZ_CHECK(name == taken.c_str());
  }

  glow::PathText commandLine;
  FUZZ_CHECK(glow::FormatUninstallerCommandLine(taken.c_str(), debug, &commandLine));
  Recorder recorder;
  FUZZ_CHECK(glow::ParseUninstallerArguments(glow::ArgumentText(commandLine.c_str(), lead), lead, &recorder));
  std::vector<std::string> wanted;
  if (debug) wanted.push_back("debug");
  wanted.push_back("name:" + name);
  if (recorder.events != wanted) {
    fprintf(stderr, "uninstaller read [%s] from [%s]\n", recorder.events.back().c_str(), commandLine.c_str());
    FUZZ_CHECK(recorder.events == wanted);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  static const char* const kFolders[] = {"C:\\Windows", "C:\\WINDOWS", "D:\\W.1\\Win dows", "C:\\WINNT"};
  const std::string folder = kFolders[input.ConsumeIntegralInRange<size_t>(0, 3)];
  const bool debug = input.ConsumeBool();
  std::string name = input.ConsumeRandomLengthString(250);
  name = name.substr(0, name.find('\0'));
  // Real Windows folders are well-formed text, so only the name's bytes vary; cp932 is the DBCS case.
  Check(folder, name, debug, fuzz::NoLeadBytes, fuzz::Utf8Wide);
  Check(folder, name, debug, fuzz::Cp932Lead, fuzz::AnyBytesWide);
  return 0;
}
