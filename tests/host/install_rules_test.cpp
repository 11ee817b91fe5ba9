#include <gtest/gtest.h>

#include "app/install_rules.h"

namespace tarifex {
namespace {

TEST(ContinueAfterWarnings, OnlyAnExactFirstArgumentSwitches) {
  struct Case {
    std::vector<std::string> args;
    bool on;
  };
  const Case cases[] = {
      {{"setup.exe"}, false},
      {{"setup.exe", "-s"}, true},
      {{"setup.exe", "-S"}, false},
      {{"setup.exe", "-s", "more"}, true},
      {{"setup.exe", "x", "-s"}, false},
      {{"setup.exe", "-s "}, false},
      {{"setup.exe", "/s"}, false},
      {{"setup.exe", ""}, false},
  };
  for (const auto& c : cases) {
    std::string joined;
    for (const auto& a : c.args) joined += "[" + a + "]";
    EXPECT_EQ(ContinueAfterWarnings(c.args), c.on) << joined;
  }
}

TEST(BatchCommandLine, QuotesOnlyACommandWithABlank) {
  EXPECT_EQ(BatchCommandLine(std::string("D:\\LUM\\Tarifex\\TARIFEX.exe")), "D:\\LUM\\Tarifex\\TARIFEX.exe");
  EXPECT_EQ(BatchCommandLine(std::string("D:\\My Programs\\Tarifex\\TARIFEX.exe")),
            "\"D:\\My Programs\\Tarifex\\TARIFEX.exe\"");
  EXPECT_EQ(BatchCommandLine(std::u16string(u"C:\\Мои программы\\TARIFEX.exe")), u"\"C:\\Мои программы\\TARIFEX.exe\"");
}

}  // namespace
}  // namespace tarifex
