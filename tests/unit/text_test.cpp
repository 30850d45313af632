// Platform-free text pieces: bounds, multi-byte splitting, command-line and path rules, line forming.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bounded_text.h"
#include "command_line.h"
#include "format.h"
#include "growable_text.h"
#include "mb_text.h"
#include "os.h"
#include "placed_file.h"
#include "product_name.h"
#include "trace_line.h"

namespace glow {
namespace {

bool NoLeadBytes(unsigned char) { return false; }
bool Lead0x81(unsigned char c) { return c == 0x81; }  // a made-up code page: 0x81 opens a pair
// A single-byte code page whose upper half is Latin-1, as the Western one is from 0xA0 on.
bool WesternWide(const char* text, char16_t* wide, size_t capacity) {
  size_t i = 0;
  for (; text[i] != '\0'; ++i) {
    if (i + 1 >= capacity) return false;
    wide[i] = static_cast<unsigned char>(text[i]);
  }
  wide[i] = u'\0';
  return true;
}

std::vector<std::string> Pieces(std::string text, char delimiter, LeadByteTest lead = NoLeadBytes) {
  std::vector<std::string> pieces;
  MbTokenizer tokenizer(&text[0], delimiter, lead);
  for (char* piece = tokenizer.Next(); piece; piece = tokenizer.Next()) pieces.push_back(piece);
  return pieces;
}

TEST(BoundedText, FitsUpToCapacityLessOneAndRefusesMoreUnchanged) {
  BoundedText<8> text;
  EXPECT_TRUE(text.Assign("1234567"));  // N-1 characters and the zero
  EXPECT_FALSE(text.Assign("12345678"));  // N
  EXPECT_STREQ(text.c_str(), "1234567");
  EXPECT_FALSE(text.Append("x"));
  EXPECT_FALSE(text.Format("%s", "123456789"));  // N+1
  EXPECT_STREQ(text.c_str(), "1234567");
  EXPECT_TRUE(text.Format("%d-%d", 1, 2));
  EXPECT_STREQ(text.c_str(), "1-2");
}

TEST(FormatText, TheFormsInUseAndVsnprintfSemantics) {
  char out[64];
  EXPECT_EQ(FormatText(out, sizeof out, "%04d/%02d/%02d", 2010, 1, 5), 10);
  EXPECT_STREQ(out, "2010/01/05");
  FormatText(out, sizeof out, "%s, n64FileSize: %lld, dwReturn: %d", "C:\\a", 5000000000LL, -3);
  EXPECT_STREQ(out, "C:\\a, n64FileSize: 5000000000, dwReturn: -3");
  FormatText(out, sizeof out, "error: %lu - %u%%", 4294967295UL, 0u);
  EXPECT_STREQ(out, "error: 4294967295 - 0%");
  FormatText(out, sizeof out, "%lld|%d", -9223372036854775807LL - 1, -2147483647 - 1);
  EXPECT_STREQ(out, "-9223372036854775808|-2147483648");
  char small[5];
  EXPECT_EQ(FormatText(small, sizeof small, "%s", "abcdefgh"), 8);  // the length it needed
  EXPECT_STREQ(small, "abcd");
  EXPECT_EQ(FormatText(nullptr, 0, "%s-%s", "ab", "cd"), 5);
  FormatText(out, sizeof out, "%x %s", nullptr);  // a form not in use stays as written
  EXPECT_STREQ(out, "%x (null)");
}

TEST(GrowableText, GrowsPastItsFirstAllocation) {
  GrowableText text;
  std::string expected;
  for (int i = 0; i < 1000; ++i) {
    ASSERT_TRUE(text.Append("C:\\windows\\system32\\a.scr|"));
    expected += "C:\\windows\\system32\\a.scr|";
  }
  EXPECT_EQ(text.c_str(), expected);
  EXPECT_EQ(text.Length(), expected.size());
}

TEST(MbTokenizer, RunsOfDelimitersAndEndsGiveNoEmptyPiece) {
  EXPECT_EQ(Pieces("a|b", '|'), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(Pieces("||a||b||", '|'), (std::vector<std::string>{"a", "b"}));
  EXPECT_TRUE(Pieces("|||", '|').empty());
  EXPECT_TRUE(Pieces("", '|').empty());
  EXPECT_EQ(Pieces("/d \"/name=Foo\"", '"'), (std::vector<std::string>{"/d ", "/name=Foo"}));
}

TEST(MbTokenizer, TrailByteIsNeverADelimiter) {
  // 0x81 0x22: one double-byte character whose trail byte is the quote byte.
  EXPECT_EQ(Pieces("\"/name=A\x81\"B\"", '"', Lead0x81), (std::vector<std::string>{"/name=A\x81\"B"}));
  EXPECT_EQ(Pieces("a\x81|b|c", '|', Lead0x81), (std::vector<std::string>{"a\x81|b", "c"}));
  // A lead byte at the very end has no trail byte and stands alone.
  EXPECT_EQ(Pieces("a|\x81", '|', Lead0x81), (std::vector<std::string>{"a", "\x81"}));
}

TEST(RemoveAll, RemovesEveryOccurrenceCaseSensitively) {
  std::string text = "A Uninstaller Uninstaller";
  EXPECT_EQ(RemoveAll(&text[0], " Uninstaller", NoLeadBytes), 2u);
  EXPECT_STREQ(text.c_str(), "A");
  text = "Foo uninstaller";
  EXPECT_EQ(RemoveAll(&text[0], " Uninstaller", NoLeadBytes), 0u);
  EXPECT_STREQ(text.c_str(), "Foo uninstaller");
  text = "/na/name=me=";  // what is left after a removal is not searched again
  RemoveAll(&text[0], "/name=", NoLeadBytes);
  EXPECT_STREQ(text.c_str(), "/name=");
}

TEST(SplitPath, SplitsLikeTheRuntime) {
  DriveText drive;
  PathText folder, name, extension;
  ASSERT_TRUE(SplitPath("C:\\Program Files\\Glow\\Glowset.exe", &drive, &folder, &name, &extension, NoLeadBytes));
  EXPECT_STREQ(drive.c_str(), "C:");
  EXPECT_STREQ(folder.c_str(), "\\Program Files\\Glow\\");
  EXPECT_STREQ(name.c_str(), "Glowset");
  EXPECT_STREQ(extension.c_str(), ".exe");
  ASSERT_TRUE(SplitPath("C:\\a.b\\noext", &drive, &folder, &name, &extension, NoLeadBytes));
  EXPECT_STREQ(folder.c_str(), "\\a.b\\");
  EXPECT_STREQ(name.c_str(), "noext");
  EXPECT_STREQ(extension.c_str(), "");
  // 0x81 0x5C is one character, not a folder separator.
  ASSERT_TRUE(SplitPath("C:\\x\\A\x81\\B.exe", &drive, &folder, &name, &extension, Lead0x81));
  EXPECT_STREQ(folder.c_str(), "\\x\\");
  EXPECT_STREQ(name.c_str(), "A\x81\\B");
}

TEST(ArgumentText, SkipsTheProgramNameQuotedOrNotAndTheBlanksAfterIt) {
  EXPECT_STREQ(ArgumentText("Glowset.exe /d", NoLeadBytes), "/d");
  EXPECT_STREQ(ArgumentText("\"C:\\My Folder\\Glowset.exe\"   /d x", NoLeadBytes), "/d x");
  EXPECT_STREQ(ArgumentText("\"C:\\a b\\x.exe\"/d", NoLeadBytes), "/d");
  EXPECT_STREQ(ArgumentText("Glowset.exe", NoLeadBytes), "");
  EXPECT_STREQ(ArgumentText("Glowset.exe /d ", NoLeadBytes), "/d ");
  // A leading blank: the program name is empty and everything after the blanks is the argument text.
  EXPECT_STREQ(ArgumentText(" \"/name=TAVO ScreenSaver\"", NoLeadBytes), "\"/name=TAVO ScreenSaver\"");
  EXPECT_STREQ(ArgumentText(" /d \"/name=Foo\"", NoLeadBytes), "/d \"/name=Foo\"");
  EXPECT_STREQ(ArgumentText("\"unterminated /d", NoLeadBytes), "");
  EXPECT_STREQ(ArgumentText("\"A\x81\" B\" /d", Lead0x81), "/d");
}

TEST(DebugSwitch, OnlyTheWholeTextSlashOrDashDInAnyCase) {
  for (const char* on : {"/d", "/D", "-d", "-D"}) EXPECT_TRUE(IsDebugSwitch(on)) << on;
  for (const char* off : {"", "/d ", " /d", "/d x", "/dd", "d", "/e", "--d"}) EXPECT_FALSE(IsDebugSwitch(off)) << off;
}

TEST(ProductName, RefusesWhatCannotBeOneFileNameOrIsTooLong) {
  EXPECT_EQ(ProductNameFault("TAVO ScreenSaver", NoLeadBytes, WesternWide), nullptr);
  EXPECT_EQ(ProductNameFault("Foo-1.2 (beta)", NoLeadBytes, WesternWide), nullptr);
  EXPECT_EQ(ProductNameFault(std::string(207, 'x').c_str(), NoLeadBytes, WesternWide), nullptr);
  EXPECT_NE(ProductNameFault(std::string(208, 'x').c_str(), NoLeadBytes, WesternWide), nullptr);
  for (const char* bad : {"..\\..\\evil", "a/b", "a:b", "a*", "a?", "a\"b", "<a>", "a|b", "tab\there", ".", "..",
                          "ends in blank ", "ends in dot.", "CON", "nul", "com1", "LPT9.txt", "",
                          "CONIN$", "conout$.txt", "COM0", "lpt0", "COM\xB9", "LPT\xB2.scr", "com\xB3",
                          "X Uninstaller Pro", " Uninstaller"})
    EXPECT_NE(ProductNameFault(bad, NoLeadBytes, WesternWide), nullptr) << bad;
  // Names the launcher could not give back, or that would swallow what is joined behind them.
  EXPECT_EQ(ProductNameFault("Foo uninstaller", NoLeadBytes, WesternWide), nullptr);  // a small u is not removed
  EXPECT_NE(ProductNameFault("A\x81", Lead0x81, WesternWide), nullptr);
  // A trail byte that looks like a separator belongs to its character.
  EXPECT_EQ(ProductNameFault("A\x81\\B", Lead0x81, WesternWide), nullptr);
  EXPECT_NE(ProductNameFault("A\x81\\B", NoLeadBytes, WesternWide), nullptr);
  EXPECT_EQ(JoinedPathFault("C:\\windows", std::string(232, 'x').c_str(), " Uninstaller.exe"), nullptr);
  EXPECT_NE(JoinedPathFault("C:\\windows", std::string(233, 'x').c_str(), " Uninstaller.exe"), nullptr);
}

// Device names as the system reads the name: decoded in whatever code page the process runs in (the
// programs' is UTF-8 where the manifest is honoured, else the legacy ANSI one).
TEST(ProductNameCodePage, DeviceNamesAreRefusedAsTheSystemReadsThem) {
  const bool unicodeProcess = ::GetACP() == CP_UTF8;
  for (const wchar_t* device : {L"COM\u00b9", L"LPT\u00b2.scr", L"com\u00b3", L"Nul", L"lpt9.txt"}) {
    char name[32] = {};
    BOOL replaced = FALSE;
    ASSERT_GT(::WideCharToMultiByte(CP_ACP, 0, device, -1, name, sizeof name, nullptr, unicodeProcess ? nullptr : &replaced), 0);
    ASSERT_FALSE(replaced);
    EXPECT_NE(ProductNameFault(name, SystemLeadByte, SystemWide), nullptr) << name;
  }
  EXPECT_EQ(ProductNameFault("COM10", SystemLeadByte, SystemWide), nullptr);
  if (unicodeProcess) {
    EXPECT_NE(ProductNameFault("COM\xc2\xb9", SystemLeadByte, SystemWide), nullptr);
    EXPECT_NE(ProductNameFault("\xc9" "cran", SystemLeadByte, SystemWide), nullptr);  // not UTF-8
    EXPECT_EQ(ProductNameFault("\xc3\x89" "cran", SystemLeadByte, SystemWide), nullptr);
  } else {
    EXPECT_NE(ProductNameFault("COM\xb9", SystemLeadByte, SystemWide), nullptr);
  }
}

// What the uninstaller deletes from a recorded list, and the installer places: a ".scr" directly inside
// the system folder, nothing that could lead elsewhere.
TEST(PlacedScreenSaver, OnlyAScrDirectlyInsideTheSystemFolder) {
  const char* system = "C:\\Windows\\System32";
  for (const char* good : {"C:\\Windows\\System32\\Foo.scr", "c:\\windows\\system32\\TAVO ScreenSaver.SCR",
                           "C:\\Windows\\System32\\.scr", "C:\\Windows\\System32\\a..scr"})
    EXPECT_EQ(PlacedScreenSaverFault(good, system, NoLeadBytes), nullptr) << good;
  for (const char* bad : {"C:\\Windows\\win.ini", "win.ini", "Foo.scr", "C:\\Windows\\System32\\..\\win.ini",
                          "C:\\Windows\\System32\\win.ini.", "C:\\Windows\\System32\\a.scr.",
                          "C:\\Windows\\System32\\a.scr ", "C:\\Windows\\System32/a.scr",
                          "C:\\Windows\\System32\\sub\\a.scr", "C:\\Windows\\System32\\a.scr:stream",
                          "C:\\Windows\\System32\\x:a.scr", "C:\\Windows\\System320\\a.scr",
                          "C:\\Windows\\System32\\", "\\\\?\\C:\\Windows\\System32\\a.scr",
                          "C:\\Windows\\System32\\*.scr", ""})
    EXPECT_NE(PlacedScreenSaverFault(bad, system, NoLeadBytes), nullptr) << bad;
  // A trail byte is never a separator, and ".scr" must start a character.
  EXPECT_EQ(PlacedScreenSaverFault("C:\\Windows\\System32\\A\x81\\.scr", system, Lead0x81), nullptr);
  EXPECT_NE(PlacedScreenSaverFault("C:\\Windows\\System32\\A\x81.scr", system, Lead0x81), nullptr);
  EXPECT_TRUE(CopiedListNames("C:\\a.scr|C:\\B.SCR", "c:\\b.scr", NoLeadBytes));
  EXPECT_FALSE(CopiedListNames("C:\\a.scr|C:\\b.scr2", "C:\\b.scr", NoLeadBytes));
  EXPECT_FALSE(CopiedListNames("C:\\a.scr", "C:\\a.sc", NoLeadBytes));
}

TEST(TraceLine, BothFormsPutWhereBeforeWhat) {
  TraceLine line;
  FormatNoticeLine(&line, "Glowset", "ExitInstance", "Prepare to exit...");
  EXPECT_STREQ(line.c_str(), "[Glowset][Notify]ExitInstance -> Prepare to exit...\r\n");
  FormatErrorLine(&line, "Glowrun", "CopyResource", "CreateFile failed !", 5, "Access denied.\r\n");
  EXPECT_STREQ(line.c_str(), "[Glowrun]CopyResource -> CreateFile failed ! error: 5 - Access denied.\r\n");
  FormatErrorLine(&line, "Glowclear", "w", "x", 4294967295u, nullptr);
  EXPECT_EQ(std::string(line.c_str()), std::string("[Glowclear]w -> x error: 4294967295 - ") + kNoSystemText);
}

TEST(TraceLine, LongTextsAreCutAtTheBufferAndStillEndTheLine) {
  TraceLine line;
  const std::string what(10000, 'w');
  FormatNoticeLine(&line, "Glowset", "where", what.c_str());
  const std::string cut = line.c_str();
  EXPECT_EQ(cut.size(), kTraceLineSize - 1);
  EXPECT_EQ(cut.substr(cut.size() - 2), "\r\n");
  const std::string exact(kTraceLineSize - 1 - strlen("[G][Notify]w -> \r\n"), 'x');
  FormatNoticeLine(&line, "G", "w", exact.c_str());
  EXPECT_EQ(std::string(line.c_str()), "[G][Notify]w -> " + exact + "\r\n");  // exactly fits: nothing cut
}

}  // namespace
}  // namespace glow
