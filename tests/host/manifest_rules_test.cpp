// The member list resinfo.ini as bytes on disk, the names the member loop
// leaves out, and the integer flag of a member's section.
#include "steps/manifest_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "util/codepage.h"

namespace tarifex {
namespace {

using Lines = std::vector<std::u16string>;

std::u16string Cp1251(std::string_view bytes) { return SingleByteCodePage::Get(1251)->Decode(bytes); }

struct ListCase {
  const char* name;
  std::string bytes;
  Lines lines;
};

void PrintTo(const ListCase& c, std::ostream* out) { *out << c.name; }

class MemberListReading : public testing::TestWithParam<ListCase> {};

TEST_P(MemberListReading, GivesTheLines) {
  EXPECT_EQ(ReadMemberList(GetParam().bytes, Cp1251), GetParam().lines);
}

// "Справка.txt" in the encodings a manifest may come in.
const std::string kSpravkaUtf8 = "\xD0\xA1\xD0\xBF\xD1\x80\xD0\xB0\xD0\xB2\xD0\xBA\xD0\xB0.txt";
const std::string kSpravka1251 = "\xD1\xEF\xF0\xE0\xE2\xEA\xE0.txt";
const std::string kSpravkaUtf16Le = std::string("\x21\x04\x3F\x04\x40\x04\x30\x04\x32\x04\x3A\x04\x30\x04", 14) +
                                    std::string(".\0t\0x\0t\0", 8);
const std::u16string kSpravka = u"Справка.txt";

std::string BigEndianOf(const std::string& littleEndian) {
  std::string out = littleEndian;
  for (std::size_t i = 0; i + 1 < out.size(); i += 2) std::swap(out[i], out[i + 1]);
  return out;
}

INSTANTIATE_TEST_SUITE_P(
    Resinfo, MemberListReading,
    testing::Values(
        ListCase{"EmptyFileHasNoMembers", "", {}},
        ListCase{"CrLf", "A.DLL\r\nB.DLL\r\n", {u"A.DLL", u"B.DLL"}},
        ListCase{"LastLineWithoutBreak", "A.DLL\r\nB.DLL", {u"A.DLL", u"B.DLL"}},
        ListCase{"BareLf", "A.DLL\nB.DLL\n", {u"A.DLL", u"B.DLL"}},
        ListCase{"BareCr", "A.DLL\rB.DLL\r", {u"A.DLL", u"B.DLL"}},
        ListCase{"LfCrIsTwoBreaks", "A\n\rB", {u"A", u"", u"B"}},
        ListCase{"MixedBreaks", "A\r\nB\nC\rD", {u"A", u"B", u"C", u"D"}},
        ListCase{"BlankLinesCount", "A\r\n\r\nB\r\n\r\n", {u"A", u"", u"B", u""}},
        ListCase{"OnlyABreakIsOneBlankMember", "\r\n", {u""}},
        ListCase{"BlanksInsideAndAroundKept", " A B.dll \r\n", {u" A B.dll "}},
        ListCase{"AnsiUsesTheCodePage", kSpravka1251 + "\r\nX", {kSpravka, u"X"}},
        ListCase{"Utf8WithMark", "\xEF\xBB\xBF" + kSpravkaUtf8 + "\r\nX", {kSpravka, u"X"}},
        ListCase{"Utf8WithoutMarkIsAnsi", kSpravkaUtf8, {Cp1251(kSpravkaUtf8)}},
        ListCase{"Utf16LittleEndian",
                 std::string("\xFF\xFE", 2) + kSpravkaUtf16Le + std::string("\r\0\n\0X\0", 6), {kSpravka, u"X"}},
        ListCase{"Utf16BigEndian",
                 std::string("\xFE\xFF", 2) + BigEndianOf(kSpravkaUtf16Le + std::string("\r\0\n\0X\0", 6)),
                 {kSpravka, u"X"}},
        ListCase{"MarkAloneIsEmpty", "\xEF\xBB\xBF", {}},
        ListCase{"MarkNotAtStartIsText", "A\r\n\xEF\xBB\xBF" "B", {u"A", Cp1251("\xEF\xBB\xBF") + u"B"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ManifestDecoding, MalformedUtf8BecomesReplacementCharacters) {
  // A stray continuation byte, an overlong slash, an encoded surrogate and a
  // truncated sequence at the end: none may pass through as a character.
  EXPECT_EQ(DecodeUtf8("a\x80" "b"), u"a\uFFFD" "b");
  EXPECT_EQ(DecodeUtf8("\xC0\xAF"), u"\uFFFD\uFFFD");
  EXPECT_EQ(DecodeUtf8("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");
  EXPECT_EQ(DecodeUtf8("x\xE2\x82"), u"x\uFFFD\uFFFD");
  EXPECT_EQ(DecodeUtf8("\xF0\x9F\x98\x80"), u"\U0001F600");
  EXPECT_EQ(DecodeUtf8("\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD");
}

TEST(ManifestDecoding, OddUtf16TailIsNotDropped) {
  EXPECT_EQ(DecodeUtf16(std::string("A\0B", 3), false), u"A\uFFFD");
  EXPECT_EQ(DetectManifestEncoding("\xFF\xFE").encoding, ManifestEncoding::Utf16LittleEndian);
  EXPECT_EQ(DetectManifestEncoding("\xEF\xBB").encoding, ManifestEncoding::Ansi);
}

TEST(SkippedMembers, AnySkipTextAnywhereInTheNameInAnyCase) {
  for (const std::u16string_view name :
       {u"LOGO.BMP", u"logo.bmp", u"INDEX.HTML", u"index.htm", u"NOTES.DBF", u"a.gif", u"b.Jpg", u"c.jpeg",
        u"d.tif", u"e.tiff", u"REP.RBC", u"T.DB", u"T.MB", u"T.XG0", u"T.YG1", u"T.FAM", u"T.PX",
        u"archive.db.zip", u"pic\\a.bmp", u"A.MBX"}) {
    EXPECT_TRUE(IsSkippedMember(name)) << std::string(name.begin(), name.end());
  }
}

TEST(SkippedMembers, OtherNamesAreInstalled) {
  // No dot before the text, or the text split: the test is for ".XX", not "XX".
  for (const std::u16string_view name :
       {u"TARIFEX.exe", u"txcore.dll", u"DBTOOLS.EXE", u"HTMLHELP.DLL", u"BMP", u"Справка.txt", u"", u"a.D B",
        u"x.P X", u"readme.txt", u"MBR.INI"}) {
    EXPECT_FALSE(IsSkippedMember(name)) << std::string(name.begin(), name.end());
  }
}

TEST(SkippedMembers, NonAsciiLettersAreNotFolded) {
  // A Cyrillic "В" looks like a Latin B but is another letter.
  EXPECT_FALSE(IsSkippedMember(u".\u0412MP"));
}

struct FlagCase {
  std::u16string_view text;
  bool set;
};

TEST(ReadOnlyFlag, NumbersAsTheIntegerReaderTakesThem) {
  const FlagCase cases[] = {
      {u"1", true},        {u"0", false},          {u"", false},         {u"00", false},
      {u"2", true},        {u"-1", true},          {u"+0", false},       {u" 1 ", true},
      {u"0x1", true},      {u"0X10", true},        {u"0x0", false},      {u"0xff", true},
      {u"0xFFFFFFFF", true}, {u"0x100000000", false}, {u"0x", false},    {u"2147483647", true},
      {u"2147483648", false}, {u"-2147483648", true}, {u"yes", false},   {u"true", false},
      {u"1a", false},      {u"0x1g", false},       {u"1 1", false},      {u"$1", false},
  };
  for (const FlagCase& c : cases) {
    EXPECT_EQ(IniFlagIsSet(c.text), c.set) << "\"" << std::string(c.text.begin(), c.text.end()) << "\"";
  }
}

}  // namespace
}  // namespace tarifex
