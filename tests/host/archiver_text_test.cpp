// Command-line texts of the archiver and of the awaited launcher, pinned to
// the characters: the archiver reads a backslash before a quote as part of
// the folder, and CreateProcess gets the line exactly as built.
#include <gtest/gtest.h>

#include <string>

#include "payload/archiver_command.h"
#include "payload/run_command_line.h"

namespace tarifex {
namespace {

TEST(ArchiverArguments, PayloadManifestExtraction) {
  const std::string args = BuildArchiverArguments<std::string>(
      "C:\\I\\txTopics.lum", "verinfo.ini", "C:\\W\\", "rq%7mUXA?");
  EXPECT_EQ(args, "x -prq%7mUXA? -r -y \"C:\\I\\txTopics.lum\" -o\"C:\\W\\\" \"verinfo.ini\"");
  EXPECT_EQ(args.back(), '"');
}

TEST(ArchiverArguments, PiecesGoInUnchanged) {
  struct Case {
    const char* name;
    const char* archive;
    const char* mask;
    const char* folder;
    const char* password;
    const char* expected;
  };
  const Case cases[] = {
      {"folder without backslash", "C:\\I\\txTopics.lum", "verinfo.ini", "D:\\LUM\\tarifex", "pw",
       "x -ppw -r -y \"C:\\I\\txTopics.lum\" -o\"D:\\LUM\\tarifex\" \"verinfo.ini\""},
      {"wildcard mask and blanks", "C:\\W\\Fonts", "*.*", "C:\\Windows\\Fonts\\", "p w",
       "x -pp w -r -y \"C:\\W\\Fonts\" -o\"C:\\Windows\\Fonts\\\" \"*.*\""},
      {"empty password", "a.rar", "bde64.exe", "B\\", "",
       "x -p -r -y \"a.rar\" -o\"B\\\" \"bde64.exe\""},
      {"member path in mask", "C:\\I\\p.lum", "Reports\\r.fr3", "C:\\R\\", "x",
       "x -px -r -y \"C:\\I\\p.lum\" -o\"C:\\R\\\" \"Reports\\r.fr3\""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BuildArchiverArguments<std::string>(c.archive, c.mask, c.folder, c.password), c.expected)
        << c.name;
  }
}

TEST(RunCommandLine, QuotesTheProgramAndTrimsBothEnds) {
  struct Case {
    const char* name;
    const char* executable;
    const char* arguments;
    const char* expected;
  };
  const Case cases[] = {
      {"empty arguments end with the quote", "C:\\W\\sz.exe", "", "\"C:\\W\\sz.exe\""},
      {"one blank between program and arguments", "C:\\W\\sz.exe", "x -p", "\"C:\\W\\sz.exe\" x -p"},
      {"program with blanks", "C:\\a b\\p.exe", "1", "\"C:\\a b\\p.exe\" 1"},
      {"trailing blanks and control characters cut", "p.exe", "arg \t\r\n\x01 ", "\"p.exe\" arg"},
      {"blank-only arguments leave the quote last", "p.exe", "   ", "\"p.exe\""},
      {"leading blanks of the arguments stay", "p.exe", "  a", "\"p.exe\"   a"},
      {"inner control characters stay", "p.exe", "a\tb", "\"p.exe\" a\tb"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BuildRunCommandLine<std::string>(c.executable, c.arguments), c.expected) << c.name;
  }
}

TEST(RunCommandLine, NonAsciiCharactersAreNotTrimmed) {
  // Only codes up to the blank count as blanks: a Cyrillic letter at the end stays.
  const std::u16string line = BuildRunCommandLine<std::u16string>(u"C:\\Папка\\p.exe", u"Я ");
  EXPECT_EQ(line, u"\"C:\\Папка\\p.exe\" Я");
}

}  // namespace
}  // namespace tarifex
