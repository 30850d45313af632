// The uninstaller's argument text: pieces between double quotes, each a name, the debug switch or unknown.
#include <string.h>

#include <string>
#include <vector>

#include "arguments.h"
#include "fuzz_support.h"

namespace {

using fuzz::LeadTest;

struct Recorder : glow::ArgumentListener {
  void OnName(const char* name) override { events.push_back("name:" + std::string(name)); }
  void OnDebugSwitch() override { events.push_back("debug"); }
  void OnSwitch(const char* name, const char* value) override {
    events.push_back(std::string(name) + "=" + value);
  }
  void OnUnknown(const char* piece) override {
    FUZZ_CHECK(piece != nullptr);
    unknown.push_back(piece);
    events.push_back("unknown:" + std::string(piece));
  }
  std::vector<std::string> events;
  std::vector<std::string> unknown;
};

// Every occurrence at a character start removed. "/name=" cannot overlap itself, so removing all
// occurrences found in the original equals a left-to-right scan, as long as none of its bytes is a lead byte.
std::string WithoutAll(const std::string& text, const std::string& pattern, LeadTest lead) {
  const std::string mask = fuzz::BoundaryMask(text, lead);
  std::string out;
  for (size_t i = 0; i < text.size();) {
    if (mask[i] && text.compare(i, pattern.size(), pattern) == 0) {
      i += pattern.size();
    } else {
      out += text[i++];
    }
  }
  return out;
}

// What the uninstaller must report, derived from the character starts of the whole text.
std::vector<std::string> ExpectedEvents(const std::string& text, LeadTest lead) {
  const std::string mask = fuzz::BoundaryMask(text, lead);
  std::vector<std::string> pieces;
  std::string current;
  for (size_t i = 0; i < text.size(); ++i) {
    if (mask[i] && text[i] == '"') {
      if (!current.empty()) pieces.push_back(current);
      current.clear();
    } else {
      current += text[i];
    }
  }
  if (!current.empty()) pieces.push_back(current);

  std::vector<std::string> events;
  for (const std::string& piece : pieces) {
    if (piece.compare(0, 8, "/report=") == 0)
      events.push_back("report=" + piece.substr(8));
    else if (piece.compare(0, 5, "/log=") == 0)
      events.push_back("log=" + piece.substr(5));
    else if (fuzz::HasAtBoundary(piece, "/name", lead))
      events.push_back("name:" + WithoutAll(piece, "/name=", lead));
    else if (fuzz::HasAtBoundary(piece, "/d", lead))
      events.push_back("debug");
    else
      events.push_back("unknown:" + piece);
  }
  return events;
}

void Check(const std::string& text, LeadTest lead) {
  const std::string before = text;
  Recorder recorder;
  FUZZ_CHECK(glow::ParseUninstallerArguments(fuzz::TightText(text).get(), lead, &recorder));
  FUZZ_CHECK(text == before);  // the caller's text is read, never cut

  // These hold for any table, even one where the quote itself is a lead byte.
  for (const std::string& piece : recorder.unknown) {
    FUZZ_CHECK(!piece.empty());
    const std::string mask = fuzz::BoundaryMask(piece, lead);
    for (size_t i = 0; i < piece.size(); ++i) FUZZ_CHECK(!mask[i] || piece[i] != '"');
    FUZZ_CHECK(!fuzz::HasAtBoundary(piece, "/name", lead));
    FUZZ_CHECK(!fuzz::HasAtBoundary(piece, "/d", lead));
  }
  FUZZ_CHECK(recorder.events.size() <= text.size());

  // The exact events, where the bytes that steer the parse are single-byte characters.
  for (const char c : std::string("\"/name=d"))
    if (lead(static_cast<unsigned char>(c))) return;
  FUZZ_CHECK(recorder.events == ExpectedEvents(text, lead));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  {
    Recorder recorder;
    FUZZ_CHECK(glow::ParseUninstallerArguments(nullptr, fuzz::NoLeadBytes, &recorder));
    FUZZ_CHECK(recorder.events.empty());
  }
  Check(fuzz::AsText(data, size), fuzz::NoLeadBytes);
  Check(fuzz::AsText(data, size), fuzz::Cp932Lead);
  if (fuzz::TakeLeadSet(&data, &size)) Check(fuzz::AsText(data, size), fuzz::FuzzedLead);
  return 0;
}
