// Installations over an earlier one, driven through the installer's window:
// a new installation into a folder of the user's choice (a blank in it), with
// a close request while the product files go in; a repair over it with both
// component boxes unticked; and a replacement of an earlier build.
#include <windows.h>

#include <objbase.h>

#include <gtest/gtest.h>

#include <cwctype>
#include <string>
#include <vector>

#include "support/harness.h"
#include "support/install_sandbox.h"
#include "support/installer_media.h"
#include "support/ui_driver.h"

namespace tarifex::test {
namespace {

constexpr wchar_t kCloseRefused[] = L"Нельзя прерывать процесс установки.\rПодождите";
constexpr DWORD kInstallTimeoutMs = 100000;

std::wstring Lower(std::wstring text) {
  for (auto& c : text) c = wchar_t(std::towlower(c));
  return text;
}

class InstallationModes : public testing::Test {
 protected:
  // Waits for the end of the installation; fails on any message box.
  void ExpectFinished(InstallerRun& run) {
    const bool finished = run.WaitForFinish(kInstallTimeoutMs);
    HWND box = run.WaitForMessageBox(0);
    EXPECT_EQ(box, nullptr) << "unexpected message: " << Utf8(box ? MessageBoxText(box) : L"");
    ASSERT_TRUE(finished) << "the installation did not finish";
  }

  ComApartment com_;
  InstallSandbox sandbox_;
};

TEST_F(InstallationModes, NewInstallIntoAChosenFolderRefusesToCloseMidwayThenRepairWithBothBoxesUnticked) {
  const std::wstring installer = PrepareMedia(sandbox_.media(), DemoPayload());
  const std::wstring root = L"D:\\My Programs\\LUM\\";
  const std::wstring product = root + L"Tarifex\\";
  {
    InstallerRun run(installer, L"");
    ASSERT_EQ(run.Text(kLbl11), L"новая установка");
    run.OpenComponents();
    run.SetBox(kChkBDE, false);
    run.TypeFolder(L"D:\\My Programs");
    run.Click(kBtnInstall);

    // A close request while the gauge shows is refused; the installation goes on.
    ASSERT_TRUE(WaitUntil([&] { return run.Visible(kG1) || run.WaitForMessageBox(0); }, kInstallTimeoutMs))
        << "the product files step did not show its gauge";
    EXPECT_EQ(run.Text(kDiredt1), L"D:\\My Programs\\LUM\\TARIFEX\\") << "the field's exit did not run";
    PostMessageW(run.window(), WM_CLOSE, 0, 0);
    HWND refusal = run.WaitForMessageBox(15000);
    ASSERT_NE(refusal, nullptr) << "the close request was not refused";
    EXPECT_EQ(MessageBoxText(refusal), kCloseRefused);
    EXPECT_TRUE(IsWindow(run.window()));
    run.Dismiss(refusal);
    ASSERT_NO_FATAL_FAILURE(ExpectFinished(run));
    EXPECT_EQ(run.WaitForExit(0), DWORD(STILL_ACTIVE));

    EXPECT_EQ(RegistrationValue(L"InstallPath"), root);
    EXPECT_EQ(ReadFile(product + L"TARIFEX.exe"), ReadFile(DemoFile(L"TARIFEX.exe")));
    EXPECT_TRUE(FileNamesIn(sandbox_.fonts()).empty()) << "fonts installed with the engine box unticked";
    EXPECT_TRUE(ProcessesNamed(L"bde32.exe").empty());
    EXPECT_TRUE(FileExists(product + L"tmp\\7z.dll"));
    EXPECT_FALSE(FileExists(product + L"tmp\\Fonts"));
    const auto shortcut = ReadShortcut(sandbox_.userDesktop() + kShortcutName);
    ASSERT_TRUE(shortcut.has_value());
    EXPECT_EQ(Lower(shortcut->target), Lower(product + L"TARIFEX.exe"));
    EXPECT_EQ(shortcut->workingFolder, root + L"tarifex");

    // The command holds a blank: quoted, so the product still starts.
    EXPECT_TRUE(run.Checked(kChk1));
    run.Click(kBtnClose);
    EXPECT_EQ(run.WaitForExit(15000), 0u);
    EXPECT_EQ(ReadFile(product + L"tmp\\run.bat"), "\"D:\\My Programs\\LUM\\Tarifex\\TARIFEX.exe\"\r\nExit\r\n");
    std::vector<RunningProcess> started;
    WaitUntil([&] { return !(started = ProcessesNamed(L"TARIFEX.exe")).empty(); }, 30000);
    ASSERT_EQ(started.size(), 1u) << "the installed product did not start";
    EXPECT_EQ(Lower(started[0].path), Lower(product + L"TARIFEX.exe"));
    sandbox_.EndStartedPrograms();
  }

  // Things the repair brings back even without its two components, and one it does not.
  for (const wchar_t* name : {L"txcore.dll", L"7z.exe", L"wget.exe", L"tmp\\run.bat"})
    ASSERT_TRUE(DeleteFileW((product + name).c_str())) << Utf8(name);
  ASSERT_TRUE(DeleteFileW((sandbox_.userDesktop() + kShortcutName).c_str()));

  InstallerRun repair(installer, L"");
  EXPECT_EQ(repair.Text(kLbl2), L"У Вас уже установлено тарифэкс");
  EXPECT_EQ(repair.Text(kLbl11), L"установка исправит");
  EXPECT_EQ(repair.Text(kLbl12), L"\"Тарифэкс\" версии: 5.12.0412");
  EXPECT_EQ(repair.Text(kBtnInstall), L"Исправить");
  EXPECT_EQ(repair.Text(kDiredt1), L"D:\\My Programs\\LUM\\TARIFEX\\");
  EXPECT_FALSE(repair.Enabled(kDiredt1));
  EXPECT_FALSE(repair.Checked(kChkBDE));
  EXPECT_TRUE(repair.Enabled(kChkBDE));
  // Spoilt after the detection has read it: the registration must write it again.
  SetRegistrationValue(L"Vers", L"stale");

  repair.OpenComponents();
  repair.SetBox(kChkExe, false);
  repair.Click(kBtnInstall);
  bool gaugeShown = false;
  WaitUntil([&] {
    gaugeShown = gaugeShown || repair.Visible(kG1);
    return repair.Text(kLbl11) == kFinishedText || repair.WaitForMessageBox(0);
  }, kInstallTimeoutMs);
  ASSERT_NO_FATAL_FAILURE(ExpectFinished(repair));
  EXPECT_FALSE(gaugeShown) << "the product files step ran with its box unticked";
  EXPECT_FALSE(FileExists(product + L"txcore.dll"));
  EXPECT_EQ(RegistrationValue(L"Vers"), L"5.12");
  EXPECT_EQ(RegistrationValue(L"Build"), L"0412");
  EXPECT_EQ(ReadFile(product + L"7z.exe"), ReadFile(BuildDir() + L"resources\\sz.exe"));
  EXPECT_EQ(ReadFile(product + L"wget.exe"), ReadFile(BuildDir() + L"resources\\wget.exe"));
  EXPECT_TRUE(ReadShortcut(sandbox_.userDesktop() + kShortcutName).has_value());
  EXPECT_TRUE(FileNamesIn(sandbox_.fonts()).empty());
  EXPECT_FALSE(FileExists(product + L"tmp\\sz.exe"));
  EXPECT_FALSE(FileExists(product + L"tmp\\TARIFEX.exe"));

  // Unticked, the start box starts nothing.
  repair.SetBox(kChk1, false);
  repair.Click(kBtnClose);
  EXPECT_EQ(repair.WaitForExit(15000), 0u);
  EXPECT_FALSE(FileExists(product + L"tmp\\run.bat"));
  Sleep(2000);
  EXPECT_TRUE(ProcessesNamed(L"TARIFEX.exe").empty());
}

TEST_F(InstallationModes, ReplacementOfAnEarlierBuildKeepsTheUsersSettings) {
  // An earlier build 0411 of the same version on D:.
  const std::wstring product = L"D:\\LUM\\Tarifex\\";
  ASSERT_TRUE(CreateDirectoryW(L"D:\\LUM", nullptr));
  ASSERT_TRUE(CreateDirectoryW(product.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW((product + L"htm").c_str(), nullptr));
  WriteFile(product + L"TARIFEX.exe", "build 0411");
  WriteFile(product + L"tarifex.ini", "[User]\r\nTheme=dark\r\n");
  WriteFile(product + L"TX.exe", "an older edition's program");
  WriteFile(product + L"htm\\old.htm", "<p>old</p>");
  WriteFile(product + L"txTopics.lum", "the earlier payload");
  SetFileAttributesW((product + L"txTopics.lum").c_str(), FILE_ATTRIBUTE_READONLY);
  SetRegistrationValue(L"InstallPath", L"D:\\LUM\\");
  SetRegistrationValue(L"Vers", L"5.12");
  SetRegistrationValue(L"Build", L"0411");

  InstallerRun run(PrepareMedia(sandbox_.media(), DemoPayload()), L"");
  EXPECT_EQ(run.Text(kLbl2), L"Внимание!!! У Вас уже есть Тарифэкс.");
  EXPECT_EQ(run.Text(kLbl11), L"установка заменит Вашу версию 5.12.0411");
  EXPECT_EQ(run.Text(kLbl12), L"на \"Тарифэкс\" версии: 5.12.0412");
  EXPECT_EQ(run.Text(kBtnInstall), L"Заменить");
  EXPECT_EQ(run.Text(kDiredt1), L"D:\\LUM\\TARIFEX\\");
  EXPECT_FALSE(run.Enabled(kDiredt1));
  EXPECT_FALSE(run.Checked(kChkBDE));
  EXPECT_TRUE(run.Checked(kChkExe));

  run.Click(kBtnInstall);
  ASSERT_NO_FATAL_FAILURE(ExpectFinished(run));
  EXPECT_EQ(ReadFile(product + L"TARIFEX.exe"), ReadFile(DemoFile(L"TARIFEX.exe")));
  EXPECT_EQ(ReadFile(product + L"tarifex.ini"), "[User]\r\nTheme=dark\r\n");
  EXPECT_FALSE(FileExists(product + L"TX.exe"));
  EXPECT_TRUE(FileNamesIn(product + L"htm\\").empty());
  // The read-only earlier payload could not be deleted: it was moved aside.
  EXPECT_EQ(ReadFile(product + L"txTopics.lum.old"), "the earlier payload");
  EXPECT_EQ(ReadFile(product + L"txTopics.lum"), ReadFile(DemoPayload()));
  EXPECT_EQ(RegistrationValue(L"Build"), L"0412");
  EXPECT_EQ(RegistrationValue(L"Vers"), L"5.12");
  EXPECT_FALSE(run.Enabled(kBtnInstall));

  PostMessageW(run.window(), WM_CLOSE, 0, 0);
  EXPECT_EQ(run.WaitForExit(15000), 0u);
}

}  // namespace
}  // namespace tarifex::test
