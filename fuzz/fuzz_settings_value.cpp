// The product name from the settings file, the paths it is joined into, and the bounded text that holds them.
#include <ctype.h>
#include <fuzzer/FuzzedDataProvider.h>
#include <string.h>
#include <strings.h>

#include <string>

#include "bounded_text.h"
#include "fuzz_support.h"
#include "launcher_names.h"
#include "product_name.h"
#include "sizes.h"

namespace {

const char kUninstallKeyPrefix[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
static_assert(sizeof kUninstallKeyPrefix - 1 == glow::kUninstallPrefixLength, "key prefix length");

std::string UpToZero(std::string text) { return text.substr(0, text.find('\0')); }

bool IsDeviceName(const std::string& name) {
  std::string stem = name.substr(0, name.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
    if (strcasecmp(stem.c_str(), device) == 0) return true;
  // COM and LPT with a digit, or with a superscript one, two or three: the programs run in UTF-8.
  for (const char* family : {"COM", "LPT"})
    for (const char* digit : {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "\xC2\xB9", "\xC2\xB2", "\xC2\xB3"})
      if (strcasecmp(stem.c_str(), (std::string(family) + digit).c_str()) == 0) return true;
  return false;
}

// Windows' rules for one file name, plus the key-path length; written from the rules, not the code.
bool BreaksARule(const std::string& name) {
  if (name.empty() || name.size() > 207) return true;
  char16_t wide[208];
  if (!fuzz::Utf8Wide(name.c_str(), wide, 208)) return true;  // no text in the programs' code page
  for (unsigned char c : name)
    if (c < 32 || c == 127 || strchr("\\/:*?\"<>|", c)) return true;
  if (name == "." || name == "..") return true;
  if (name.back() == ' ' || name.back() == '.') return true;
  if (name.find(" Uninstaller") != std::string::npos) return true;
  return IsDeviceName(name);
}

void CheckName(const std::string& name) {
  const char* fault = glow::ProductNameFault(name.c_str(), fuzz::NoLeadBytes, fuzz::Utf8Wide);
  FUZZ_CHECK((fault == nullptr) == !BreaksARule(name));
  if (fault) {
    FUZZ_CHECK(*fault != '\0');
    return;
  }
  // An accepted name must fit every fixed buffer it later goes into.
  glow::PathText keyPath;
  FUZZ_CHECK(keyPath.Format("%s%s", kUninstallKeyPrefix, name.c_str()));
  glow::PathText commandLine;
  FUZZ_CHECK(glow::FormatUninstallerCommandLine(name.c_str(), true, &commandLine));
  FUZZ_CHECK(glow::FormatUninstallerCommandLine(name.c_str(), false, &commandLine));
}

void CheckJoin(const std::string& folder, const std::string& name, const std::string& suffix) {
  const char* fault = glow::JoinedPathFault(folder.c_str(), name.c_str(), suffix.c_str());
  const std::string joined = folder + "\\" + name + suffix;
  FUZZ_CHECK((fault == nullptr) == (joined.size() < glow::kPathSize));
  glow::PathText path;
  const bool formed = path.Format("%s\\%s%s", folder.c_str(), name.c_str(), suffix.c_str());
  FUZZ_CHECK(formed == (fault == nullptr));
  if (formed) FUZZ_CHECK(joined == path.c_str());
}

// A text of exactly `length` bytes, none zero, from the input's bytes.
std::string OfLength(const std::string& seed, size_t length) {
  std::string text;
  while (text.size() < length) text += seed.empty() ? std::string("x") : seed;
  text.resize(length);
  for (char& c : text)
    if (c == '\0') c = 'z';
  return text;
}

template <size_t N>
void CheckBounded(FuzzedDataProvider* input) {
  typedef glow::BoundedText<N> Text;
  const std::string seed = UpToZero(input->ConsumeRandomLengthString(64));
  const size_t used = input->ConsumeIntegralInRange<size_t>(0, N - 1);
  const std::string start = OfLength(seed, used);

  for (size_t length = N > 1 ? N - 1 : 0; length <= N + 1; ++length) {
    const std::string text = OfLength(seed, length);
    Text assigned;
    FUZZ_CHECK(assigned.Assign(start.c_str()));
    FUZZ_CHECK(assigned.Assign(text.c_str()) == (length < N));
    FUZZ_CHECK(assigned.c_str() == (length < N ? text : start));
    FUZZ_CHECK(assigned.Length() == strlen(assigned.c_str()) && assigned.Length() < N);

    Text formatted;
    FUZZ_CHECK(formatted.Assign(start.c_str()));
    FUZZ_CHECK(formatted.Format("%s", text.c_str()) == (length < N));
    FUZZ_CHECK(formatted.c_str() == (length < N ? text : start));

    // Append to a text already holding `used` bytes, ending at N-1, N and N+1 in all.
    const size_t total = length;
    if (total < used) continue;
    const std::string tail = OfLength(seed, total - used);
    Text appended;
    FUZZ_CHECK(appended.Assign(start.c_str()));
    Text copy = appended;
    FUZZ_CHECK(appended.Append(tail.c_str()) == (total < N));
    FUZZ_CHECK(appended.c_str() == (total < N ? start + tail : start));
    FUZZ_CHECK(appended.Length() < N && copy.c_str() == start);
    Text joined;
    FUZZ_CHECK(joined.Format("%s%s", start.c_str(), tail.c_str()) == (total < N));
    FUZZ_CHECK(joined.Empty() == !(total < N && total > 0));
  }
  Text empty;
  FUZZ_CHECK(!empty.Assign(nullptr) && !empty.Append(nullptr) && empty.Empty() && empty.Length() == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  // The settings read hands over at most 253 characters; longer is still worth refusing cleanly.
  std::string name = UpToZero(input.ConsumeRandomLengthString(400));
  if (input.ConsumeBool()) name = OfLength(name, input.ConsumeIntegralInRange<size_t>(200, 260));
  CheckName(name);
  FUZZ_CHECK(glow::ProductNameFault(nullptr, fuzz::NoLeadBytes, fuzz::Utf8Wide) != nullptr);

  const std::string folder = UpToZero(input.ConsumeRandomLengthString(300));
  CheckJoin(folder, name, ".scr");
  CheckJoin(folder, name, " Uninstaller.exe");
  CheckJoin(folder, name, UpToZero(input.ConsumeRandomLengthString(40)));
  FUZZ_CHECK(glow::JoinedPathFault(nullptr, "a", "b") && glow::JoinedPathFault("a", nullptr, "b") &&
             glow::JoinedPathFault("a", "b", nullptr));

  CheckBounded<1>(&input);
  CheckBounded<2>(&input);
  CheckBounded<10>(&input);
  CheckBounded<16>(&input);
  CheckBounded<260>(&input);
  return 0;
}
