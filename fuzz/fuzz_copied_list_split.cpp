// The copied-file list as the uninstaller reads it back: a heap text split at '|' into the removal list.
#include <string.h>

#include <string>
#include <vector>

#include "fuzz_support.h"
#include "growable_text.h"
#include "mb_text.h"
#include "placed_file.h"
#include "sizes.h"
#include "text_list.h"

namespace {

using fuzz::LeadTest;

const char kDelimiter = '|';

// The list arrives in pieces of any size; the text must come out whole whatever the growth steps were.
void FillList(const std::string& list, glow::GrowableText* text) {
  const size_t half = list.size() / 2;
  FUZZ_CHECK(text->Assign(list.substr(0, half).c_str()));
  FUZZ_CHECK(text->Append(list.substr(half).c_str()));
  FUZZ_CHECK(text->Reserve(text->Length() + 17));
  FUZZ_CHECK(text->Length() == list.size());
  FUZZ_CHECK(text->Capacity() > text->Length() && text->Capacity() >= glow::kInitialListSize);
  FUZZ_CHECK(strcmp(text->c_str(), list.c_str()) == 0);
  text->SyncLength();
  FUZZ_CHECK(text->Length() == list.size());
}

struct Piece {
  size_t offset;
  std::string text;
};

void CheckSplit(const std::string& list, LeadTest lead) {
  glow::GrowableText text;
  FillList(list, &text);
  // Split a tight copy: the list's own spare zeros would hide a read past the end.
  fuzz::TightText tight(list);
  char* const base = tight.get();
  const size_t n = list.size();

  std::vector<Piece> pieces;
  glow::MbTokenizer tokenizer(base, kDelimiter, lead);
  for (char* piece = tokenizer.Next(); piece; piece = tokenizer.Next()) {
    FUZZ_CHECK(piece >= base && piece < base + n);
    FUZZ_CHECK(pieces.size() <= n);
    pieces.push_back(Piece{static_cast<size_t>(piece - base), std::string(piece)});
  }
  // Once done it stays done: the caller's loop must not pick up stale text.
  FUZZ_CHECK(tokenizer.Next() == nullptr);

  size_t covered = 0;  // everything before this offset is accounted for
  for (const Piece& piece : pieces) {
    FUZZ_CHECK(!piece.text.empty());
    FUZZ_CHECK(piece.offset >= covered);
    // Between two pieces only delimiters, now possibly zeroed.
    for (size_t i = covered; i < piece.offset; ++i) FUZZ_CHECK(list[i] == kDelimiter);
    const size_t end = piece.offset + piece.text.size();
    FUZZ_CHECK(end <= n);
    FUZZ_CHECK(list.compare(piece.offset, piece.text.size(), piece.text) == 0);
    FUZZ_CHECK(end == n || list[end] == kDelimiter);
    // A '|' that is a trail byte stays inside; one at a character start never does.
    const std::string mask = fuzz::BoundaryMask(piece.text, lead);
    for (size_t i = 0; i < piece.text.size(); ++i) FUZZ_CHECK(!mask[i] || piece.text[i] != kDelimiter);
    covered = end;
  }
  for (size_t i = covered; i < n; ++i) FUZZ_CHECK(list[i] == kDelimiter);
  // Splitting only ever zeroes delimiters.
  for (size_t i = 0; i < n; ++i) FUZZ_CHECK(base[i] == list[i] || (list[i] == kDelimiter && base[i] == '\0'));

  if (lead == fuzz::NoLeadBytes) {
    std::string joined, expected;
    size_t runs = 0;
    for (const Piece& piece : pieces) joined += piece.text;
    for (size_t i = 0; i < n; ++i) {
      if (list[i] == kDelimiter) continue;
      expected += list[i];
      if (i == 0 || list[i - 1] == kDelimiter) ++runs;
    }
    FUZZ_CHECK(joined == expected);
    FUZZ_CHECK(pieces.size() == runs);
  }

  // Only what lies directly inside the system folder and ends in ".scr" may ever be deleted, and every
  // piece the list holds is found in it again.
  const char* system = "C:\\Windows\\System32";
  for (const Piece& piece : pieces) {
    FUZZ_CHECK(glow::CopiedListNames(list.c_str(), piece.text.c_str(), lead) || piece.text.find('\0') != std::string::npos);
    if (glow::PlacedScreenSaverFault(piece.text.c_str(), system, lead)) continue;
    FUZZ_CHECK(piece.text.size() >= strlen(system) + 5);
    FUZZ_CHECK(strncasecmp(piece.text.c_str(), system, strlen(system)) == 0 && piece.text[strlen(system)] == '\\');
    const std::string name = piece.text.substr(strlen(system) + 1);
    FUZZ_CHECK(strncasecmp(name.c_str() + name.size() - 4, ".scr", 4) == 0);
    const std::string mask = fuzz::BoundaryMask(name, lead);
    for (size_t i = 0; i < name.size(); ++i) FUZZ_CHECK(!mask[i] || !strchr("\\/:", name[i]));
  }

  // The removal list owns copies: they must survive the list text being overwritten.
  glow::TextList removal;
  for (const Piece& piece : pieces) FUZZ_CHECK(removal.Add(base + piece.offset));
  memset(base, 'X', n);
  FUZZ_CHECK(removal.Count() == pieces.size());
  for (size_t i = 0; i < pieces.size(); ++i) FUZZ_CHECK(pieces[i].text == removal.At(i));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CheckSplit(fuzz::AsText(data, size), fuzz::NoLeadBytes);
  CheckSplit(fuzz::AsText(data, size), fuzz::Cp932Lead);
  if (fuzz::TakeLeadSet(&data, &size)) CheckSplit(fuzz::AsText(data, size), fuzz::FuzzedLead);
  return 0;
}
