// The key, cipher and record rules the installer decodes its trailer with.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "payload/trailer_cipher.h"

namespace tarifex {
namespace {

TEST(TrailerKeyText, NameCountAndBothCases) {
  const struct {
    std::u16string name;
    std::u16string key;
  } cases[] = {
      {u"TARIFEX_Installer.exe", u"121TARIFEX_INSTALLER.EXEtarifex_installer.exe"},
      // Only ASCII letters change case; Cyrillic ones stay as they are.
      {u"Тест.exe", u"108Тест.EXEТест.exe"},
      // N counts UTF-16 code units: a character past U+FFFF is two of them.
      {u"\U0001F600.exe", u"106\U0001F600.EXE\U0001F600.exe"},
      {u"a", u"101Aa"},
  };
  for (const auto& c : cases) EXPECT_TRUE(TrailerKeyText(c.name, 100) == c.key);
  EXPECT_TRUE(TrailerKeyText(u"x", 7) == u"8Xx");
}

TEST(TrailerKeyText, OnlyAsciiCaseChangesKeepTheKey) {
  const std::u16string key = TrailerKeyText(u"TARIFEX_Installer.exe", 100);
  EXPECT_TRUE(TrailerKeyText(u"tarifex_installer.EXE", 100) == key);
  EXPECT_FALSE(TrailerKeyText(u"TARIFEX_Installer1.exe", 100) == key);
  EXPECT_FALSE(TrailerKeyText(u"Тест.exe", 100) == TrailerKeyText(u"тест.exe", 100));
}

TEST(TrailerCipher, AddsKeyBytesModulo256AndWraps) {
  std::uint8_t bytes[] = {0xFF, 0x00, 0x10, 0xFE, 0x01};
  const std::string key("\x01\x02\xFF", 3);
  EncipherTrailer(bytes, sizeof bytes, key);
  const std::uint8_t enciphered[] = {0x00, 0x02, 0x0F, 0xFF, 0x03};
  EXPECT_EQ(0, std::memcmp(bytes, enciphered, sizeof bytes));
  DecipherTrailer(bytes, sizeof bytes, key);
  const std::uint8_t plain[] = {0xFF, 0x00, 0x10, 0xFE, 0x01};
  EXPECT_EQ(0, std::memcmp(bytes, plain, sizeof bytes));

  EncipherTrailer(bytes, sizeof bytes, "");
  EXPECT_EQ(0, std::memcmp(bytes, plain, sizeof bytes));
}

TEST(BracedText, Table) {
  const struct {
    const char* label;
    std::string plain;
    std::string expected;
  } cases[] = {
      {"only the braces", "{CBF43926}", "CBF43926"},
      {"text around", "free text {CBF43926} more", "CBF43926"},
      {"no closing brace", "abc{CBF43926", ""},
      {"no opening brace: up to the first }", "CBF43926}tail}", "CBF43926"},
      {"neither brace", "CBF43926", ""},
      {"first { wins", "{{CBF43926}", "{CBF43926"},
      {"} before { is skipped", "}x{CBF43926}", "CBF43926"},
      {"lower-case digits kept verbatim", "{cbf43926}", "cbf43926"},
      {"empty braces", "{}", ""},
      {"bytes kept as they are", std::string("{\x00\xFF}", 4), std::string("\x00\xFF", 2)},
  };
  for (const auto& c : cases) EXPECT_EQ(BracedText(c.plain), c.expected) << c.label;
}

TEST(ComposePlainTrailer, CarriesTheTextBehindTheFirstBraceAndVariesWithTheSeed) {
  std::set<std::string> seen;
  for (std::uint64_t seed : {0ull, 1ull, 2ull, 99ull, 0xFFFFFFFFFFFFFFFFull}) {
    const TrailerBytes plain = ComposePlainTrailer("0ABCDEF9", seed);
    const std::string text(reinterpret_cast<const char*>(plain.data()), plain.size());
    const auto open = text.find('{');
    ASSERT_NE(open, std::string::npos) << seed;
    EXPECT_EQ(text.substr(open, 10), "{0ABCDEF9}") << seed;
    EXPECT_EQ(BracedText(text), "0ABCDEF9") << seed;
    seen.insert(text);
  }
  EXPECT_EQ(seen.size(), 5u) << "the free bytes must not be constant";
}

}  // namespace
}  // namespace tarifex
