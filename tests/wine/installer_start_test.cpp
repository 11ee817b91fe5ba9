// The installer executable as a black box: started beside a payload, its
// window is read from outside through WM_GETTEXT; a second start is refused.
#include <gtest/gtest.h>

#include "support/harness.h"
#include "support/test_window.h"
#include "support/ui_driver.h"

namespace tarifex::test {
namespace {

// Control ids are 1000 + the control's place in the window's list.
enum Index { lbl_1 = 2, sb1 = 4, lbl_2 = 5, lbl_11 = 6, lbl_12 = 7, chk1 = 8, Diredt1 = 9, btnClose = 10, btn_install = 11, chk_exe = 15 };

// TMP and TEMP of this process, which a started installer inherits.
class ScopedTempVariables {
 public:
  explicit ScopedTempVariables(const std::wstring& folder) {
    for (const wchar_t* name : {L"TMP", L"TEMP"}) {
      wchar_t value[1024] = {};
      saved_.push_back(GetEnvironmentVariableW(name, value, 1024) ? value : L"");
      SetEnvironmentVariableW(name, folder.c_str());
    }
  }
  ~ScopedTempVariables() {
    SetEnvironmentVariableW(L"TMP", saved_[0].c_str());
    SetEnvironmentVariableW(L"TEMP", saved_[1].c_str());
  }

 private:
  std::vector<std::wstring> saved_;
};

void WaitForCaption(HWND window, const std::wstring& caption) {
  WaitUntil([&] { return WindowText(window) == caption; }, 30000);
}

class InstallerStart : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(CopyFileW((BuildDir() + L"src\\app\\TARIFEX_Installer.exe").c_str(), (media_ / L"TARIFEX_Installer.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW((BuildDir() + L"tests\\txTopics.lum").c_str(), (media_ / L"txTopics.lum").c_str(), FALSE));
  }
  ChildProcess Start() { return ChildProcess(media_ / L"TARIFEX_Installer.exe", L"", media_.path()); }

  ScopedInstallationKeys keys_;
  TempDir media_, temp_, drive_;
  ScopedTempVariables tempVariables_{temp_.path()};
};

TEST_F(InstallerStart, ShowsTheVersionedWindowAndRefusesASecondInstance) {
  ScopedDrive d(L'D', drive_.path());
  ChildProcess first = Start();
  HWND window = WaitForWindow(first.pid(), L"TfrmMain", 30000);
  ASSERT_NE(window, nullptr) << "the main window did not appear";
  // The window may show while start-up runs (each archiver run raises it):
  // the versioned caption marks the end of the first show.
  WaitForCaption(window, L"Installer - «Тарифэкс» версия 5.12");

  EXPECT_EQ(WindowText(window), L"Installer - «Тарифэкс» версия 5.12");
  EXPECT_EQ(WindowText(ControlOf(window, lbl_2)), L"На Ваш компютер будет произведена ");
  EXPECT_EQ(WindowText(ControlOf(window, lbl_11)), L"новая установка");
  EXPECT_EQ(WindowText(ControlOf(window, lbl_12)), L"\"Тарифэкс\" версия: 5.12");
  EXPECT_EQ(WindowText(ControlOf(window, Diredt1)), L"D:\\LUM\\TARIFEX\\");
  EXPECT_EQ(WindowText(ControlOf(window, btn_install)), L"Установить");
  EXPECT_EQ(WindowText(ControlOf(window, btnClose)), L"Закрыть");
  EXPECT_EQ(WindowText(ControlOf(window, chk_exe)), L"Тарифэкс");
  EXPECT_EQ(WindowText(ControlOf(window, sb1)), L"Компоненты");
  EXPECT_EQ(WindowText(ControlOf(window, lbl_1)), L"");
  EXPECT_FALSE(IsWindowVisible(ControlOf(window, chk1)));
  // Start-up wrote the archiver and the manifests into the temporary folder.
  for (const wchar_t* name : {L"sz.exe", L"7z.dll", L"7-zip.dll", L"verinfo.ini", L"resinfo.ini"})
    EXPECT_TRUE(FileExists(temp_ / name)) << Utf8(name);

  ChildProcess second = Start();
  HWND box = WaitForWindow(second.pid(), L"#32770", 30000);
  ASSERT_NE(box, nullptr) << "the second instance showed no message";
  EXPECT_EQ(MessageBoxText(box), L"Инсталятор программы уже запущен!");
  EXPECT_EQ(WaitForWindow(second.pid(), L"TfrmMain", 0), nullptr);
  PressOk(box);
  EXPECT_EQ(second.Wait(15000), 0u);

  // The first instance is undisturbed and closes normally.
  EXPECT_TRUE(IsWindow(window));
  EXPECT_EQ(first.Wait(0), DWORD(STILL_ACTIVE));
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(first.Wait(15000), 0u);
}

TEST_F(InstallerStart, WithoutPayloadOrDriveDTheWindowStillOpens) {
  DeleteFileW((media_ / L"txTopics.lum").c_str());
  ChildProcess installer = Start();
  HWND window = WaitForWindow(installer.pid(), L"TfrmMain", 30000);
  ASSERT_NE(window, nullptr);
  WaitForCaption(window, L"Installer - «Тарифэкс» версия 0.0");
  EXPECT_EQ(WindowText(window), L"Installer - «Тарифэкс» версия 0.0");
  EXPECT_EQ(WindowText(ControlOf(window, Diredt1)), L"");
  // The close button closes the window before any installation.
  PostMessageW(ControlOf(window, btnClose), BM_CLICK, 0, 0);
  EXPECT_EQ(installer.Wait(15000), 0u);
}

}  // namespace
}  // namespace tarifex::test
