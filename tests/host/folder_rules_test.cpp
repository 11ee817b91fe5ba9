#include "app/folder_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace tarifex {
namespace {

struct FolderCase {
  const char* name;
  std::wstring typed;
  std::wstring field;
  std::wstring root;
};

class FolderNormalisation : public testing::TestWithParam<FolderCase> {};

TEST_P(FolderNormalisation, GivesFieldAndRoot) {
  const FolderCase& c = GetParam();
  const std::wstring field = NormaliseFolderText(c.typed);
  EXPECT_EQ(field, c.field);
  EXPECT_EQ(InstallRootOfFolder(field), c.root);
}

INSTANTIATE_TEST_SUITE_P(
    FolderField, FolderNormalisation,
    testing::Values(
        FolderCase{"PlainFolderGetsWholeLayout", L"D:\\Programs", L"D:\\Programs\\LUM\\TARIFEX\\", L"D:\\Programs\\LUM\\"},
        FolderCase{"MakerFolderIsNotRepeated", L"D:\\LUM", L"D:\\LUM\\TARIFEX\\", L"D:\\LUM\\"},
        FolderCase{"LowerCaseLayoutKept", L"d:\\lum\\tarifex", L"d:\\lum\\tarifex\\", L"d:\\lum\\"},
        FolderCase{"MixedCaseLayoutKept", L"D:\\Lum\\TarifeX\\", L"D:\\Lum\\TarifeX\\", L"D:\\Lum\\"},
        FolderCase{"ProductFolderAloneDoesNotCount", L"E:\\Data\\Tarifex\\", L"E:\\Data\\Tarifex\\LUM\\TARIFEX\\",
                   L"E:\\Data\\Tarifex\\LUM\\"},
        FolderCase{"LowerMakerFolderCounts", L"E:\\lum\\", L"E:\\lum\\TARIFEX\\", L"E:\\lum\\"},
        FolderCase{"BlanksAndControlsTrimmedFirst", L" \t D:\\LUM \r\n", L"D:\\LUM\\TARIFEX\\", L"D:\\LUM\\"},
        FolderCase{"InnerBlanksKept", L"D:\\My Programs ", L"D:\\My Programs\\LUM\\TARIFEX\\",
                   L"D:\\My Programs\\LUM\\"},
        FolderCase{"EmptyBecomesRootOfNoDrive", L"", L"\\LUM\\TARIFEX\\", L"\\LUM\\"},
        FolderCase{"OnlyBlanks", L"   ", L"\\LUM\\TARIFEX\\", L"\\LUM\\"},
        FolderCase{"DriveRoot", L"D:\\", L"D:\\LUM\\TARIFEX\\", L"D:\\LUM\\"},
        FolderCase{"DriveWithoutBackslash", L"D:", L"D:\\LUM\\TARIFEX\\", L"D:\\LUM\\"},
        // Only a-z change case: a dotless i, which a locale-aware upper-casing
        // turns into I, does not make the layout match.
        FolderCase{"DotlessINotUpperCased", L"D:\\lum\\tar\u0131fex\\", L"D:\\lum\\tar\u0131fex\\LUM\\TARIFEX\\",
                   L"D:\\lum\\tar\u0131fex\\LUM\\"},
        FolderCase{"SlashIsNotABackslash", L"D:/LUM/", L"D:/LUM/\\LUM\\TARIFEX\\", L"D:/LUM/\\LUM\\"},
        FolderCase{"NetworkPathKeepsLeadingBackslashes", L"\\\\server\\share", L"\\\\server\\share\\LUM\\TARIFEX\\",
                   L"\\\\server\\share\\LUM\\"}),
    [](const testing::TestParamInfo<FolderCase>& info) { return std::string(info.param.name); });

TEST(FolderNormalisation, TrimsControlCharactersOfEveryKindAtTheEnds) {
  const std::wstring text = std::wstring(1, L'\0') + L"\x7F\x85 D:\\LUM\\TARIFEX\\\x1F\x9F";
  EXPECT_EQ(TrimBlanksAndControls(text), L"D:\\LUM\\TARIFEX\\");
  // A no-break space is not a blank here and stays part of the name.
  EXPECT_EQ(TrimBlanksAndControls(L"\u00A0D:\\"), L"\u00A0D:\\");
  EXPECT_EQ(TrimBlanksAndControls(L"\t\r\n "), L"");
}

TEST(FolderNormalisation, NormalisingTwiceChangesNothing) {
  for (const std::wstring typed : {L"D:\\Programs", L"e:\\data\\tarifex\\", L"", L"D:\\LUM\\"}) {
    const std::wstring once = NormaliseFolderText(typed);
    EXPECT_EQ(NormaliseFolderText(once), once);
  }
}

TEST(InstallRoot, ShortTextsGiveEmptyRoot) {
  EXPECT_EQ(InstallRootOfFolder(L"TARIFEX\\"), L"");
  EXPECT_EQ(InstallRootOfFolder(L"ARIFEX\\"), L"");
  EXPECT_EQ(InstallRootOfFolder(L"XTARIFEX\\"), L"X");
}

}  // namespace
}  // namespace tarifex
