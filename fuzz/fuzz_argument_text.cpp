// The argument text behind the program name, as every Glow program reads its command line.
#include <fuzzer/FuzzedDataProvider.h>
#include <string.h>

#include <string>

#include "command_line.h"
#include "fuzz_support.h"

namespace {

using fuzz::LeadTest;

bool IsBlank(unsigned char c) { return c != '\0' && c <= ' '; }

std::string UpToZero(std::string text) { return text.substr(0, text.find('\0')); }

std::string SkipBlanks(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && IsBlank(static_cast<unsigned char>(text[i]))) ++i;
  return text.substr(i);
}

// Any command line: the result is a suffix, never starts with a blank, and what it skipped is one
// program name and the blanks behind it.
void CheckAny(const std::string& line, LeadTest lead) {
  fuzz::TightText tight(line);
  const char* const begin = tight.get();
  const char* const result = glow::ArgumentText(begin, lead);
  FUZZ_CHECK(result >= begin && result <= begin + line.size());
  FUZZ_CHECK(!IsBlank(static_cast<unsigned char>(*result)));
  const size_t skipped = static_cast<size_t>(result - begin);

  size_t nameEnd = 0;  // just past the program name, its closing quote included
  if (!line.empty() && line[0] == '"') {
    const std::string inner = line.substr(1);
    const std::string mask = fuzz::BoundaryMask(inner, lead);
    size_t quote = 0;
    while (quote < inner.size() && !(mask[quote] && inner[quote] == '"')) ++quote;
    nameEnd = quote < inner.size() ? quote + 2 : line.size();
  } else {
    while (nameEnd < line.size() && static_cast<unsigned char>(line[nameEnd]) > ' ') ++nameEnd;
  }
  FUZZ_CHECK(skipped >= nameEnd);
  for (size_t i = nameEnd; i < skipped; ++i) FUZZ_CHECK(IsBlank(static_cast<unsigned char>(line[i])));

  const bool debug =
      strcmp(result, "/d") == 0 || strcmp(result, "/D") == 0 || strcmp(result, "-d") == 0 || strcmp(result, "-D") == 0;
  FUZZ_CHECK(glow::IsDebugSwitch(result) == debug);
}

// A command line built from a known program name and arguments must give the arguments back.
void CheckBuilt(FuzzedDataProvider* input, LeadTest lead) {
  const std::string name = UpToZero(input->ConsumeRandomLengthString(300));
  const std::string blanks(input->ConsumeIntegralInRange<size_t>(0, 4), input->ConsumeBool() ? ' ' : '\t');
  const std::string arguments = UpToZero(input->ConsumeRandomLengthString(600));
  std::string line;
  switch (input->ConsumeIntegralInRange(0, 2)) {
    case 0: {  // quoted, as Explorer starts a program
      std::string inner;
      for (char c : name)
        if (c != '"') inner += c;
      // A lead byte just before the closing quote would take it as its trail: no real name ends so.
      if (!fuzz::EndsWhole(inner, lead)) inner.pop_back();
      line = "\"" + inner + "\"" + blanks + arguments;
      break;
    }
    case 1: {  // unquoted: the name ends at the first blank
      std::string bare;
      for (char c : name)
        if (static_cast<unsigned char>(c) > ' ' && c != '"') bare += c;
      if (bare.empty()) bare = "Glowset.exe";
      line = bare + (blanks.empty() ? " " : blanks) + arguments;
      break;
    }
    default:  // the launcher's form: an empty program name
      line = " " + blanks + arguments;
      break;
  }
  fuzz::TightText tight(line);
  FUZZ_CHECK(SkipBlanks(arguments) == glow::ArgumentText(tight.get(), lead));
  CheckAny(line, lead);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FUZZ_CHECK(glow::ArgumentText(nullptr, fuzz::NoLeadBytes) != nullptr);
  FUZZ_CHECK(!glow::IsDebugSwitch(nullptr));
  CheckAny(fuzz::AsText(data, size), fuzz::NoLeadBytes);
  CheckAny(fuzz::AsText(data, size), fuzz::Cp932Lead);
  {
    FuzzedDataProvider input(data, size);
    CheckBuilt(&input, input.ConsumeBool() ? fuzz::Cp932Lead : fuzz::NoLeadBytes);
  }
  if (fuzz::TakeLeadSet(&data, &size)) {
    CheckAny(fuzz::AsText(data, size), fuzz::FuzzedLead);
    FuzzedDataProvider input(data, size);
    CheckBuilt(&input, fuzz::FuzzedLead);
  }
  return 0;
}
