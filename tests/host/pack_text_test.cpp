// Text conversions the packaging tool builds the key with: the name arrives as
// UTF-8, is counted in UTF-16 units and becomes bytes of an ANSI code page.
#include <gtest/gtest.h>

#include <stdexcept>

#include "commands.h"
#include "unicode_text.h"
#include "util/codepage.h"

namespace tarifex::pack {
namespace {

TEST(Utf8ToUtf16, ConvertsAndCountsCodeUnits) {
  const struct {
    std::string utf8;
    std::u16string utf16;
  } cases[] = {
      {"TARIFEX_Installer.exe", u"TARIFEX_Installer.exe"},
      {"\xD0\xA2\xD0\xB0\xD1\x80\xD0\xB8\xD1\x84\xD1\x8D\xD0\xBA\xD1\x81", u"Тарифэкс"},
      {"\xE2\x84\x96", u"№"},
      {"\xF0\x9F\x98\x80", u"\U0001F600"},
      {"", u""},
  };
  for (const auto& c : cases) {
    EXPECT_TRUE(Utf8ToUtf16(c.utf8) == c.utf16) << c.utf8;
    EXPECT_EQ(Utf16ToUtf8(c.utf16), c.utf8);
  }
  EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x98\x80").size(), 2u);
}

TEST(Utf8ToUtf16, RejectsMalformedInput) {
  const std::pair<const char*, std::string> cases[] = {
      {"stray continuation byte", "a\x80"},
      {"truncated sequence", "\xE2\x84"},
      {"overlong slash", "\xC0\xAF"},
      {"overlong three-byte", "\xE0\x80\xAF"},
      {"encoded surrogate", "\xED\xA0\x80"},
      {"past U+10FFFF", "\xF4\x90\x80\x80"},
      {"lead byte without continuation", "\xD0" "A"},
  };
  for (const auto& [label, bytes] : cases)
    EXPECT_THROW(Utf8ToUtf16(bytes), std::invalid_argument) << label;
}

TEST(Utf16ToUtf8, LoneSurrogateBecomesReplacementCharacter) {
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800)) + u"a"), "\xEF\xBF\xBD" "a");
}

TEST(SingleByteCodePage, EncodesTheNamesCharacters) {
  const struct {
    int page;
    std::u16string text;
    std::string bytes;
  } cases[] = {
      {1251, u"Тест.exe", "\xD2\xE5\xF1\xF2.exe"},
      {1251, u"Ёё№Яя", "\xA8\xB8\xB9\xDF\xFF"},
      {1251, u"é", "?"},
      {1252, u"€é", "\x80\xE9"},
      {1252, u"Т", "?"},
  };
  for (const auto& c : cases) {
    const auto page = SingleByteCodePage::Get(c.page);
    ASSERT_TRUE(page);
    EXPECT_EQ(page->Encode(c.text), c.bytes) << c.page;
  }
  EXPECT_FALSE(SingleByteCodePage::Get(866));
}

TEST(SingleByteCodePage, EveryByteSurvivesTheRoundTripThroughText) {
  // The installer turns the trailer bytes into text and back; no byte may change on the way.
  for (int number : {1251, 1252}) {
    const auto page = SingleByteCodePage::Get(number);
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(char(b));
    EXPECT_EQ(page->Encode(page->Decode(all)), all) << number;
  }
}

TEST(PrintableTrailerText, EscapesWhatATerminalWouldMangle) {
  EXPECT_EQ(PrintableTrailerText("CBF43926", 1251), "CBF43926");
  EXPECT_EQ(PrintableTrailerText(std::string("a\"\\\x00\x1F\x7F", 6), 1251),
            "a\\x22\\x5C\\x00\\x1F\\x7F");
  EXPECT_EQ(PrintableTrailerText("\xD2\xE5\x98", 1251), "\xD0\xA2\xD0\xB5\\x98");
}

}  // namespace
}  // namespace tarifex::pack
