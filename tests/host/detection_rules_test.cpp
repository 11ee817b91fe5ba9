#include "app/detection_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace tarifex {
namespace {

TEST(RemoveEvery, CaseSensitiveEveryOccurrenceOnePass) {
  struct Case {
    std::wstring text, part, expected;
  };
  const Case cases[] = {
      {L"D:\\LUM\\Tarifex\\", L"Tarifex\\", L"D:\\LUM\\"},
      {L"D:\\LUM\\TARIFEX\\", L"Tarifex\\", L"D:\\LUM\\TARIFEX\\"},
      {L"D:\\Tarifex\\LUM\\Tarifex\\", L"Tarifex\\", L"D:\\LUM\\"},
      {L"D:\\LUM\\Tarifex", L"Tarifex\\", L"D:\\LUM\\Tarifex"},
      {L"C:\\LUM\\ZedOV\\", L"ZedOV\\", L"C:\\LUM\\"},
      {L"C:\\LUM\\zedov\\", L"ZedOV\\", L"C:\\LUM\\zedov\\"},
      // What joins after a removal is not removed again.
      {L"TarTarifex\\ifex\\", L"Tarifex\\", L"Tarifex\\"},
      {L"Tarifex\\", L"Tarifex\\", L""},
      {L"", L"Tarifex\\", L""},
      {L"D:\\LUM\\", L"", L"D:\\LUM\\"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RemoveEvery(c.text, c.part), c.expected) << "text " << testing::PrintToString(c.text);
  }
}

TEST(DecideInstallMode, Table) {
  struct Case {
    const char* name;
    std::wstring path;
    bool exe;
    std::wstring iv, ib, nv, nb;
    InstallMode expected;
  };
  const Case cases[] = {
      {"SameVersionAndBuild", L"D:\\LUM\\", true, L"5", L"12", L"5", L"12", InstallMode::Repair},
      {"SameVersionOtherBuild", L"D:\\LUM\\", true, L"5", L"11", L"5", L"12", InstallMode::Replace},
      {"OlderVersion", L"D:\\LUM\\", true, L"4", L"12", L"5", L"12", InstallMode::NewInstall},
      {"NewerVersion", L"D:\\LUM\\", true, L"6", L"1", L"5", L"12", InstallMode::NewInstall},
      {"VersionsCompareAsText", L"D:\\LUM\\", true, L"5.0", L"12", L"5.00", L"12", InstallMode::NewInstall},
      {"BuildsCompareAsText", L"D:\\LUM\\", true, L"5", L"012", L"5", L"12", InstallMode::Replace},
      {"NoTrimming", L"D:\\LUM\\", true, L"5 ", L"12", L"5", L"12", InstallMode::NewInstall},
      {"CaseMatters", L"D:\\LUM\\", true, L"5a", L"b", L"5A", L"b", InstallMode::NewInstall},
      {"NoExecutable", L"D:\\LUM\\", false, L"5", L"12", L"5", L"12", InstallMode::NewInstall},
      {"NoPath", L"", true, L"5", L"12", L"5", L"12", InstallMode::NewInstall},
      {"NothingInstalledNothingInPayload", L"D:\\LUM\\", true, L"0", L"0", L"0", L"0", InstallMode::Repair},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DecideInstallMode(c.path, c.exe, c.iv, c.ib, c.nv, c.nb), c.expected) << c.name;
  }
}

TEST(TextsForMode, EveryModeExactly) {
  struct Case {
    InstallMode mode;
    std::wstring suffix;
    ModeTexts expected;
  };
  const Case cases[] = {
      {InstallMode::NewInstall, L"",
       {L"На Ваш компютер будет произведена ", L"новая установка", L"\"Тарифэкс\" версия: 5.12", L"Установить"}},
      {InstallMode::Replace, L"",
       {L"Внимание!!! У Вас уже есть Тарифэкс.", L"установка заменит Вашу версию 5.11",
        L"на \"Тарифэкс\" версии: 5.12", L"Заменить"}},
      {InstallMode::Repair, L"",
       {L"У Вас уже установлено тарифэкс", L"установка исправит", L"\"Тарифэкс\" версии: 5.12", L"Исправить"}},
      {InstallMode::NewInstall, L" Сеть",
       {L"На Ваш компютер будет произведена ", L"новая установка", L"\"Тарифэкс Сеть\" версия: 5.12",
        L"Установить"}},
      {InstallMode::Replace, L" Сеть",
       {L"Внимание!!! У Вас уже есть Тарифэкс.", L"установка заменит Вашу версию 5.11",
        L"на \"Тарифэкс Сеть\" версии: 5.12", L"Заменить"}},
      {InstallMode::Repair, L" Сеть",
       {L"У Вас уже установлено тарифэкс Сеть", L"установка исправит", L"\"Тарифэкс Сеть\" версии: 5.12",
        L"Исправить"}},
  };
  for (const Case& c : cases) {
    const ModeTexts t = TextsForMode(c.mode, c.suffix, L"5", L"11", L"5", L"12");
    SCOPED_TRACE(testing::Message() << "mode " << int(c.mode) << " suffix " << testing::PrintToString(c.suffix));
    EXPECT_EQ(t.lbl_2, c.expected.lbl_2);
    EXPECT_EQ(t.lbl_11, c.expected.lbl_11);
    EXPECT_EQ(t.lbl_12, c.expected.lbl_12);
    EXPECT_EQ(t.btn_install, c.expected.btn_install);
  }
}

TEST(TextsForMode, ReplaceNamesTheInstalledReleaseNotThePayload) {
  const ModeTexts t = TextsForMode(InstallMode::Replace, L"", L"7", L"3", L"8", L"9");
  EXPECT_EQ(t.lbl_11, L"установка заменит Вашу версию 7.3");
  EXPECT_EQ(t.lbl_12, L"на \"Тарифэкс\" версии: 8.9");
}

}  // namespace
}  // namespace tarifex
