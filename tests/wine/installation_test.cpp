// A complete new installation of the demo payload onto drive D:, driven from
// outside through the installer's window as a user would: the engine step
// with the stand-in engine installer, the product files, the registration,
// the desktop shortcut, the tools and the clean-up, then the close with the
// start box ticked, which starts the installed product.
#include <windows.h>

#include <objbase.h>

#include <cstdio>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cwctype>
#include <string>
#include <vector>

#include "support/harness.h"
#include "support/install_sandbox.h"
#include "support/installer_media.h"
#include "support/ui_driver.h"

namespace tarifex::test {
namespace {

constexpr wchar_t kFollowEngineSetup[] = L"Пожалуйста следуйте инструкциям установки BDE ...";
constexpr wchar_t kOldShortcut[] = L"Справочник ТАРИФЭКС.lnk";
constexpr wchar_t kNetworkShortcut[] = L"Справочник Тарифэкс (Сетевая версия).lnk";
constexpr wchar_t kUnrelatedShortcut[] = L"Калькулятор.lnk";
// The stand-in engine installer finishes by itself this long after its start:
// well after the wait dialog's three seconds, so the wait loop must hold.
constexpr wchar_t kEngineRunsMs[] = L"6000";

// The thirteen faces of the fonts archive.
const wchar_t* const kFontFiles[] = {
    L"DejaVuSans-Bold.ttf", L"DejaVuSans-BoldOblique.ttf", L"DejaVuSans-Oblique.ttf",
    L"DejaVuSans.ttf", L"DejaVuSansCondensed.ttf", L"DejaVuSansMono-Bold.ttf",
    L"DejaVuSansMono-BoldOblique.ttf", L"DejaVuSansMono-Oblique.ttf", L"DejaVuSansMono.ttf",
    L"DejaVuSerif-Bold.ttf", L"DejaVuSerif-BoldItalic.ttf", L"DejaVuSerif-Italic.ttf",
    L"DejaVuSerif.ttf",
};

std::wstring Lower(std::wstring text) {
  for (auto& c : text) c = wchar_t(std::towlower(c));
  return text;
}

std::vector<std::wstring> LowerAll(std::vector<std::wstring> names) {
  for (auto& n : names) n = Lower(n);
  std::sort(names.begin(), names.end());
  return names;
}

std::string Describe(const std::vector<std::wstring>& names) {
  std::string text;
  for (const auto& n : names) text += "\n  " + Utf8(n);
  return text;
}

bool EngineRunning() { return !ProcessesNamed(L"bde32.exe").empty() || !ProcessesNamed(L"_INS0432._MP").empty(); }

// What the test saw of the running installation, polled from outside.
struct Observation {
  bool sawWaitDialog = false;
  bool sawFollowTextWhileEngineRan = false;
  bool sawGauge = false;
  bool engineRanWhenGaugeCame = false;
  bool engineFinishedWhenGaugeCame = false;
  double seconds = 0;
};

class Installation : public testing::Test {
 protected:
  ComApartment com_;
  InstallSandbox sandbox_;
};

TEST_F(Installation, NewInstallationOntoDriveDInstallsEverythingAndStartsTheProductOnClose) {
  // Shortcuts of older installations on both desktops, and one of another program.
  WriteFile(sandbox_.userDesktop() + kNetworkShortcut, "old");
  WriteFile(sandbox_.userDesktop() + kOldShortcut, "old");
  WriteFile(sandbox_.commonDesktop() + kOldShortcut, "old");
  WriteFile(sandbox_.commonDesktop() + kUnrelatedShortcut, "other program");
  ScopedVariable engineRuns(L"TARIFEX_ENGINE_AUTOFINISH", kEngineRunsMs);

  const std::wstring payload = sandbox_.media() + L"txTopics.lum";
  InstallerRun run(PrepareMedia(sandbox_.media(), DemoPayload()), L"");

  // A machine without an installation: a new one onto D:, engine ticked.
  EXPECT_EQ(WindowText(run.window()), L"Installer - «Тарифэкс» версия 5.12.0412");
  EXPECT_EQ(run.Text(kLbl2), L"На Ваш компютер будет произведена ");
  EXPECT_EQ(run.Text(kLbl11), L"новая установка");
  EXPECT_EQ(run.Text(kLbl12), L"\"Тарифэкс\" версия: 5.12.0412");
  EXPECT_EQ(run.Text(kBtnInstall), L"Установить");
  EXPECT_EQ(run.Text(kDiredt1), L"D:\\LUM\\TARIFEX\\");
  EXPECT_TRUE(run.Enabled(kDiredt1));
  EXPECT_TRUE(run.Checked(kChkBDE));
  EXPECT_TRUE(run.Enabled(kChkBDE));
  EXPECT_TRUE(run.Checked(kChkExe));
  EXPECT_FALSE(run.Visible(kChk1));

  run.Click(kBtnInstall);
  Observation seen;
  const auto start = std::chrono::steady_clock::now();
  const bool finished = WaitUntil([&] {
    if (!seen.sawWaitDialog && WaitForWindow(run.process().pid(), L"TfrmTmp", 0)) seen.sawWaitDialog = true;
    const bool engine = EngineRunning();
    if (engine && run.Text(kLbl1) == kFollowEngineSetup) seen.sawFollowTextWhileEngineRan = true;
    if (!seen.sawGauge && run.Visible(kG1)) {
      seen.sawGauge = true;
      seen.engineRanWhenGaugeCame = engine;
      seen.engineFinishedWhenGaugeCame = sandbox_.EngineTrace(L"Installed").has_value();
    }
    return WaitForWindow(run.process().pid(), L"#32770", 0) != nullptr || run.Text(kLbl11) == kFinishedText;
  }, 110000);
  seen.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  ASSERT_TRUE(finished) << "the installation did not finish in time";
  HWND unexpected = run.WaitForMessageBox(0);
  ASSERT_EQ(unexpected, nullptr) << "unexpected message: " << Utf8(MessageBoxText(unexpected));
  std::printf("installation took %.1f s\n", seen.seconds);

  // The engine step: the stand-in ran with its helper, the wait held until both ended.
  EXPECT_TRUE(seen.sawWaitDialog);
  EXPECT_TRUE(seen.sawFollowTextWhileEngineRan);
  EXPECT_TRUE(seen.sawGauge);
  EXPECT_FALSE(seen.engineRanWhenGaugeCame) << "the product files began while the engine installer ran";
  EXPECT_TRUE(seen.engineFinishedWhenGaugeCame);
  EXPECT_EQ(sandbox_.EngineTrace(L"Started"), L"bde32.exe");
  EXPECT_EQ(sandbox_.EngineTrace(L"Helper"), L"_INS0432._MP");
  EXPECT_EQ(sandbox_.EngineTrace(L"Installed"), L"bde32.exe");
  EXPECT_EQ(FileNamesIn(sandbox_.fonts()), std::vector<std::wstring>(std::begin(kFontFiles), std::end(kFontFiles)));
  EXPECT_GT(ReadFile(sandbox_.fonts() + L"DejaVuSans.ttf").size(), 10000u);

  // Every file and folder on D:, and nothing else. The product folder's name
  // is written in three letter cases; the file system keeps one.
  const std::vector<std::wstring> expected = {
      L"LUM\\",
      L"LUM\\Data\\",
      L"LUM\\Data\\NSIData\\",
      L"LUM\\Data\\NSIData\\NSI.FAM",
      L"LUM\\Data\\NSIData\\TNVED.DB",
      L"LUM\\Data\\NSIData\\TNVED.MB",
      L"LUM\\Data\\NSIData\\TNVED.PX",
      L"LUM\\Data\\NSIData\\TNVED.XG0",
      L"LUM\\Data\\NSIData\\TNVED.YG0",
      L"LUM\\Tarifex\\",
      L"LUM\\Tarifex\\7-zip.dll",
      L"LUM\\Tarifex\\7z.dll",
      L"LUM\\Tarifex\\7z.exe",
      L"LUM\\Tarifex\\PIC\\",
      L"LUM\\Tarifex\\PIC\\flag.gif",
      L"LUM\\Tarifex\\PIC\\LOGO.BMP",
      L"LUM\\Tarifex\\RBC\\",
      L"LUM\\Tarifex\\RBC\\declaration.rbc",
      L"LUM\\Tarifex\\RBC\\invoice.rbc",
      L"LUM\\Tarifex\\TARIFEX.exe",
      L"LUM\\Tarifex\\tarifex.ini",
      L"LUM\\Tarifex\\tmp\\",
      L"LUM\\Tarifex\\tmp\\7-zip.dll",
      L"LUM\\Tarifex\\tmp\\7z.dll",
      L"LUM\\Tarifex\\tmp\\BDE\\",
      L"LUM\\Tarifex\\tmp\\Fonts",
      L"LUM\\Tarifex\\txcore.dll",
      L"LUM\\Tarifex\\txprint.dll",
      L"LUM\\Tarifex\\txTopics.lum",
      L"LUM\\Tarifex\\verinfo.ini",
      L"LUM\\Tarifex\\wget.exe",
      L"LUM\\Прочти меня.txt",
  };
  const auto listing = TreeListing(sandbox_.driveFolder());
  EXPECT_EQ(LowerAll(listing), LowerAll(expected)) << "on D: now:" << Describe(listing);

  // Contents: the members as built, renamed where the manifest says, the
  // payload itself, the tools from the installer's resources.
  const std::wstring product = L"D:\\LUM\\Tarifex\\";
  EXPECT_EQ(ReadFile(product + L"TARIFEX.exe"), ReadFile(DemoFile(L"TARIFEX.exe")));
  EXPECT_EQ(ReadFile(product + L"txcore.dll"), ReadFile(DemoFile(L"txcore.dll")));
  EXPECT_EQ(ReadFile(product + L"txprint.dll"), ReadFile(DemoFile(L"txprint_v2.dll")));
  EXPECT_EQ(ReadFile(product + L"verinfo.ini"), ReadFile(DemoFile(L"verinfo.ini")));
  EXPECT_EQ(ReadFile(product + L"txTopics.lum"), ReadFile(payload));
  EXPECT_NE(ReadFile(product + L"tarifex.ini").find('['), std::string::npos);
  EXPECT_FALSE(ReadFile(L"D:\\LUM\\Прочти меня.txt").empty());
  EXPECT_EQ(ReadFile(product + L"PIC\\LOGO.BMP").substr(0, 2), "BM");
  EXPECT_EQ(ReadFile(product + L"PIC\\flag.gif").substr(0, 6), "GIF89a");
  for (const wchar_t* table : {L"TNVED.DB", L"TNVED.MB", L"TNVED.PX", L"TNVED.XG0", L"TNVED.YG0", L"NSI.FAM"})
    EXPECT_EQ(ReadFile(L"D:\\LUM\\Data\\NSIData\\" + std::wstring(table)),
              "stand-in for the Paradox file " + Utf8(table) + "\r\n");
  const std::wstring resources = BuildDir() + L"resources\\";
  EXPECT_EQ(ReadFile(product + L"7z.exe"), ReadFile(resources + L"sz.exe"));
  EXPECT_EQ(ReadFile(product + L"7z.dll"), ReadFile(resources + L"7z.dll"));
  EXPECT_EQ(ReadFile(product + L"7-zip.dll"), ReadFile(resources + L"7-zip.dll"));
  EXPECT_EQ(ReadFile(product + L"wget.exe"), ReadFile(resources + L"wget.exe"));
  EXPECT_EQ(ReadFile(product + L"tmp\\Fonts"), ReadFile(resources + L"Fonts.7z"));

  // Registry, in the 32-bit view.
  EXPECT_EQ(RegistrationValue(L"InstallPath"), L"D:\\LUM\\");
  EXPECT_EQ(RegistrationValue(L"Vers"), L"5.12");
  EXPECT_EQ(RegistrationValue(L"Build"), L"0412");

  // Desktops: the old shortcuts gone from both, one new on the user's.
  EXPECT_EQ(FileNamesIn(sandbox_.userDesktop()), std::vector<std::wstring>{kShortcutName});
  EXPECT_EQ(FileNamesIn(sandbox_.commonDesktop()), std::vector<std::wstring>{kUnrelatedShortcut});
  const auto shortcut = ReadShortcut(sandbox_.userDesktop() + kShortcutName);
  ASSERT_TRUE(shortcut.has_value());
  EXPECT_EQ(Lower(shortcut->target), Lower(L"D:\\LUM\\Tarifex\\TARIFEX.exe"));
  EXPECT_EQ(shortcut->workingFolder, L"D:\\LUM\\tarifex");
  EXPECT_EQ(shortcut->arguments, L"");

  // The finished window.
  EXPECT_TRUE(run.Visible(kLbl11));
  EXPECT_FALSE(run.Visible(kLbl2));
  EXPECT_FALSE(run.Visible(kLbl12));
  EXPECT_EQ(run.Text(kLbl2), L"");
  EXPECT_EQ(run.Text(kLbl12), L"");
  EXPECT_EQ(run.Text(kLbl1), L"");
  EXPECT_FALSE(run.Visible(kG1));
  EXPECT_TRUE(run.Visible(kChk1));
  EXPECT_TRUE(run.Checked(kChk1));
  EXPECT_EQ(run.Text(kChk1), L"Запустить установленную\rпрограмму");
  EXPECT_FALSE(run.Enabled(kBtnInstall));
  EXPECT_TRUE(run.Enabled(kBtnClose));
  GUITHREADINFO focus{};
  focus.cbSize = sizeof focus;
  ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(run.window(), nullptr), &focus));
  EXPECT_EQ(focus.hwndFocus, run.control(kBtnClose));

  // Closing with the start box ticked: run.bat in the work folder, and the product starts.
  EXPECT_TRUE(ProcessesNamed(L"TARIFEX.exe").empty());
  run.Click(kBtnClose);
  EXPECT_EQ(run.WaitForExit(15000), 0u);
  EXPECT_EQ(ReadFile(product + L"tmp\\run.bat"), "D:\\LUM\\Tarifex\\TARIFEX.exe\r\nExit\r\n");
  std::vector<RunningProcess> started;
  WaitUntil([&] { return !(started = ProcessesNamed(L"TARIFEX.exe")).empty(); }, 30000);
  ASSERT_EQ(started.size(), 1u) << "the installed product did not start";
  EXPECT_EQ(Lower(started[0].path), Lower(L"D:\\LUM\\Tarifex\\TARIFEX.exe"));
  HWND productWindow = WaitForWindow(started[0].pid, L"TarifexDemo", 30000);
  ASSERT_NE(productWindow, nullptr);
  EXPECT_EQ(WindowText(productWindow), L"Тарифэкс 5.12");
  sandbox_.EndStartedPrograms();
}

}  // namespace
}  // namespace tarifex::test
