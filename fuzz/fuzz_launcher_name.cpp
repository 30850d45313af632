// The launcher's own path split into parts, the product name taken from it, and the uninstaller's command line.
#include <fuzzer/FuzzedDataProvider.h>
#include <string.h>

#include <string>

#include "fuzz_support.h"
#include "launcher_names.h"
#include "mb_text.h"
#include "sizes.h"

namespace {

using fuzz::LeadTest;

const std::string kWord = " Uninstaller";

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool HasAt(const std::string& text, char c, LeadTest lead) {
  const std::string mask = fuzz::BoundaryMask(text, lead);
  for (size_t i = 0; i < text.size(); ++i)
    if (mask[i] && text[i] == c) return true;
  return false;
}

// Returns the base name SplitPath found, or false when it refused.
bool CheckSplitPath(const std::string& path, LeadTest lead, std::string* baseName) {
  glow::DriveText drive;
  glow::PathText folder, base, extension;
  const bool split = glow::SplitPath(fuzz::TightText(path).get(), &drive, &folder, &base, &extension, lead);
  if (!split) {
    // Only a part that cannot fit its buffer is refused, so a path that fits never is.
    FUZZ_CHECK(path.size() >= glow::kPathSize);
    return false;
  }
  const std::string d = drive.c_str(), f = folder.c_str(), b = base.c_str(), e = extension.c_str();
  FUZZ_CHECK(d + f + b + e == path);
  FUZZ_CHECK(d.empty() ? !(path.size() >= 2 && path[1] == ':') : (d.size() == 2 && d[1] == ':'));
  // The part checks below walk each part from its own start: only right while the bytes that end a part
  // are single-byte characters (a fuzzed table may make '\\' or '.' a lead byte).
  for (char c : std::string("\\/.")) {
    if (lead(static_cast<unsigned char>(c))) {
      *baseName = b;
      return true;
    }
  }
  FUZZ_CHECK(f.empty() || IsSeparator(f.back()));
  FUZZ_CHECK(f.empty() || fuzz::BoundaryMask(f, lead)[f.size() - 1]);
  FUZZ_CHECK(!HasAt(b, '\\', lead) && !HasAt(b, '/', lead));
  FUZZ_CHECK(!HasAt(e, '\\', lead) && !HasAt(e, '/', lead));
  FUZZ_CHECK(e.empty() || (e[0] == '.' && !HasAt(e.substr(1), '.', lead)));
  // With no extension the name has no dot of its own.
  FUZZ_CHECK(!e.empty() || !HasAt(b, '.', lead));
  if (lead == fuzz::NoLeadBytes) {
    const std::string rest = path.substr(d.size());
    const size_t separator = rest.find_last_of("\\/");
    const std::string name = separator == std::string::npos ? rest : rest.substr(separator + 1);
    const size_t dot = name.rfind('.');
    FUZZ_CHECK(f == rest.substr(0, separator == std::string::npos ? 0 : separator + 1));
    FUZZ_CHECK(b == name.substr(0, dot));
    FUZZ_CHECK(e == (dot == std::string::npos ? "" : name.substr(dot)));
  }
  *baseName = b;
  return true;
}

// `kWord` cannot overlap itself, so a left-to-right scan removes exactly the occurrences found in the
// original (at character starts). Also records where in the result each removal happened.
std::string WithoutWord(const std::string& base, LeadTest lead, std::string* removedAt) {
  const std::string mask = fuzz::BoundaryMask(base, lead);
  std::string out;
  removedAt->assign(base.size() + 1, 0);
  for (size_t i = 0; i < base.size();) {
    if (mask[i] && base.compare(i, kWord.size(), kWord) == 0) {
      (*removedAt)[out.size()] = 1;
      i += kWord.size();
    } else {
      out += base[i++];
    }
  }
  removedAt->resize(out.size() + 1);
  return out;
}

void CheckProductName(const std::string& path, LeadTest lead, const std::string* base) {
  glow::PathText name;
  FUZZ_CHECK(name.Assign("sentinel"));
  const bool taken = glow::ProductNameFromLauncherPath(fuzz::TightText(path).get(), &name, lead);
  FUZZ_CHECK(taken == (base != nullptr));
  if (!taken) return;
  const std::string result = name.c_str();
  FUZZ_CHECK(result.size() <= base->size() && (base->size() - result.size()) % kWord.size() == 0);
  if (base->find(kWord) == std::string::npos) FUZZ_CHECK(result == *base);

  bool wordIsSingleBytes = true;
  for (char c : kWord) wordIsSingleBytes = wordIsSingleBytes && !lead(static_cast<unsigned char>(c));
  if (!wordIsSingleBytes) return;
  std::string removedAt;
  FUZZ_CHECK(result == WithoutWord(*base, lead, &removedAt));
  // The word can be left in the result only where two removals' neighbours joined to form it
  // (" Unin Uninstallerstaller"): each such occurrence spans a point where text was taken out.
  const std::string mask = fuzz::BoundaryMask(result, lead);
  for (size_t at = result.find(kWord); at != std::string::npos; at = result.find(kWord, at + 1)) {
    if (!mask[at]) continue;
    bool spans = false;
    for (size_t k = at + 1; k < at + kWord.size(); ++k) spans = spans || removedAt[k];
    FUZZ_CHECK(spans);
  }
}

void CheckCommandLine(const std::string& name, bool debug) {
  glow::PathText line;
  FUZZ_CHECK(line.Assign("sentinel"));
  const bool formed = glow::FormatUninstallerCommandLine(name.c_str(), debug, &line);
  const std::string wanted = std::string(debug ? " /d \"/name=" : " \"/name=") + name + "\"";
  FUZZ_CHECK(formed == (wanted.size() < glow::kPathSize));
  if (!formed) {
    FUZZ_CHECK(strcmp(line.c_str(), "sentinel") == 0);
    return;
  }
  FUZZ_CHECK(strlen(line.c_str()) < glow::kPathSize && line.c_str()[0] == ' ');
  FUZZ_CHECK(wanted == line.c_str());
}

void Check(const std::string& path, LeadTest lead, bool debug) {
  std::string base;
  const bool split = CheckSplitPath(path, lead, &base);
  // Asked for the base name alone, only that part has to fit.
  glow::PathText onlyBase;
  const bool baseSplit = glow::SplitPath(fuzz::TightText(path).get(), nullptr, nullptr, &onlyBase, nullptr, lead);
  FUZZ_CHECK(baseSplit || path.size() >= glow::kPathSize);
  if (split) FUZZ_CHECK(baseSplit && base == onlyBase.c_str());
  base = onlyBase.c_str();
  CheckProductName(path, lead, baseSplit ? &base : nullptr);
  glow::PathText name;
  if (glow::ProductNameFromLauncherPath(fuzz::TightText(path).get(), &name, lead))
    CheckCommandLine(name.c_str(), debug);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const bool debug = data[0] & 1;
  ++data;
  --size;
  FUZZ_CHECK(!glow::SplitPath(nullptr, nullptr, nullptr, nullptr, nullptr, fuzz::NoLeadBytes));
  Check(fuzz::AsText(data, size), fuzz::NoLeadBytes, debug);
  Check(fuzz::AsText(data, size), fuzz::Cp932Lead, debug);
  {
    FuzzedDataProvider input(data, size);
    CheckCommandLine(input.ConsumeRandomLengthString(300).c_str(), input.ConsumeBool());
  }
  if (fuzz::TakeLeadSet(&data, &size)) Check(fuzz::AsText(data, size), fuzz::FuzzedLead, debug);
  return 0;
}
