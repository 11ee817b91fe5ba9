// The install command's checks, end to end: the installer started beside a
// small payload, its install button pressed from outside, its messages read
// and answered. Without the "-s" switch a failed check ends the command and
// the window stays ready for another try; with it the installation goes on.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "support/harness.h"
#include "support/install_sandbox.h"
#include "support/installer_media.h"
#include "support/ui_driver.h"

namespace tarifex::test {
namespace {

constexpr wchar_t kNoFolder[] = L"Не выбран путь для установки";
constexpr wchar_t kDamaged[] =
    L"ВНИМАНИЕ!!!\rУстановочный файл поврежден.\rСкопируйте установочный файл еще раз.\r"
    L"Если используете USB флэшку, то попробуйте записать на флэшку еще раз.\r"
    L"Если используете CD, то попробуйте скопировать на другом компьютере (на другом CD).\r"
    L"Если загружали через интернет, то попробуйте загрузить установочный файл еще раз.";
constexpr wchar_t kRunning[] =
    L"ВНИМАНИЕ!!!\rДля продложения установки небходимо\rзакрыть программу Кордекс и Тарифэкс";
constexpr wchar_t kAntivirusOnDriveD[] =
    L"ВНИМАНИЕ!!!\r\rДля продложения установки небходимо\rВременно выключить Ваш антивирус \r"
    L"и в настройках антивируса добавить в исключения\rпапку D:\\LUM\\";

constexpr DWORD kMessageTimeoutMs = 60000;

enum class Payload { Small, WithoutMainExe };

struct CheckCase {
  const char* name;
  Payload payload;
  bool damaged;             // the installer sealed for the other payload
  const wchar_t* arguments;
  bool productRunning;      // a TX.exe runs from some folder
  bool emptyFolder;         // the folder field emptied before the press
  std::vector<const wchar_t*> messages;
  bool goesOn;
};

// Names the case in gtest's output instead of its bytes.
void PrintTo(const CheckCase& c, std::ostream* out) { *out << c.name; }

std::wstring FixturePayload(Payload p) {
  return FixturePath(p == Payload::Small ? L"install-checks\\small.lum" : L"install-checks\\no-main.lum");
}

class InstallChecks : public testing::TestWithParam<CheckCase> {
 protected:
  // The messages of one press, in order; each is answered with OK.
  std::vector<std::wstring> PressInstall(InstallerRun& run, std::size_t expected) {
    run.Click(kBtnInstall);
    std::vector<std::wstring> texts;
    for (std::size_t i = 0; i < expected; ++i) {
      const std::wstring text = run.AnswerMessage(kMessageTimeoutMs);
      if (text.empty()) break;
      texts.push_back(text);
    }
    return texts;
  }

  InstallSandbox sandbox_;
};

TEST_P(InstallChecks, ShowsItsMessagesAndEndsOrGoesOn) {
  const CheckCase& c = GetParam();
  const std::wstring payload = FixturePayload(c.payload);
  const std::wstring other = FixturePayload(c.payload == Payload::Small ? Payload::WithoutMainExe : Payload::Small);
  const std::wstring installer = PrepareMedia(sandbox_.media(), payload, c.damaged ? other : L"");

  std::unique_ptr<ChildProcess> product;
  if (c.productRunning) {
    const std::wstring folder = sandbox_.media() + L"elsewhere\\";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(CopyFileW(ProgramPath(L"process-probe.exe").c_str(), (folder + L"TX.exe").c_str(), FALSE));
    product = std::make_unique<ChildProcess>(folder + L"TX.exe", L"60000", folder);
    ASSERT_TRUE(WaitUntil([] { return !ProcessesNamed(L"TX.exe").empty(); }, 10000));
  }

  InstallerRun run(installer, c.arguments);
  ASSERT_EQ(run.Text(kLbl11), L"новая установка");
  if (c.emptyFolder) run.SetFolderText(L"");
  if (c.goesOn) {
    // The engine step is not what these cases are about.
    run.OpenComponents();
    run.SetBox(kChkBDE, false);
  }

  std::vector<std::wstring> expected(c.messages.begin(), c.messages.end());
  EXPECT_EQ(PressInstall(run, expected.size()), expected);

  if (c.goesOn) {
    EXPECT_TRUE(run.WaitForFinish(kMessageTimeoutMs)) << "the installation did not go on to its end";
    EXPECT_EQ(RegistrationValue(L"InstallPath"), L"D:\\LUM\\");
    EXPECT_EQ(FileExists(L"D:\\LUM\\TARIFEX\\TARIFEX.exe"), c.payload == Payload::Small);
    EXPECT_FALSE(run.Enabled(kBtnInstall));
    return;
  }

  // Ended: no further message, nothing installed, the window as it was.
  EXPECT_EQ(run.WaitForMessageBox(1500), nullptr);
  EXPECT_FALSE(RegistrationValue(L"InstallPath").has_value());
  EXPECT_FALSE(FileExists(L"D:\\LUM\\TARIFEX\\TARIFEX.exe"));
  EXPECT_TRUE(run.Enabled(kBtnInstall));
  EXPECT_TRUE(run.Enabled(kBtnClose));
  EXPECT_EQ(run.Text(kLbl11), L"новая установка");
  EXPECT_TRUE(run.Visible(kLbl2) && run.Visible(kLbl11) && run.Visible(kLbl12));
  EXPECT_FALSE(run.Visible(kChk1));
  // What the command wrote before its checks stays under the install root.
  for (const wchar_t* name : {L"sz.exe", L"7z.dll", L"7-zip.dll", L"verinfo.ini", L"resinfo.ini"})
    EXPECT_TRUE(FileExists(L"D:\\LUM\\Tarifex\\tmp\\" + std::wstring(name))) << Utf8(name);
  EXPECT_TRUE(FileExists(L"D:\\LUM\\Tarifex\\wget.exe"));

  // Ready again: another press runs the checks anew.
  EXPECT_EQ(PressInstall(run, 1), std::vector<std::wstring>{expected.front()});
  PostMessageW(run.window(), WM_CLOSE, 0, 0);
  EXPECT_EQ(run.WaitForExit(15000), 0u);
}

const CheckCase kCases[] = {
    {"EmptyFolderEndsEvenWithTheSwitch", Payload::Small, false, L"-s", false, true, {kNoFolder}, false},
    {"DamagedPayloadEnds", Payload::Small, true, L"", false, false, {kDamaged}, false},
    {"UpperCaseSwitchDoesNotCount", Payload::Small, true, L"-S", false, false, {kDamaged}, false},
    {"SwitchAsALaterArgumentDoesNotCount", Payload::Small, true, L"x -s", false, false, {kDamaged}, false},
    {"RunningTxBlocks", Payload::Small, false, L"", true, false, {kRunning}, false},
    {"NothingExtractedEndsWithTheAntivirusMessage", Payload::WithoutMainExe, false, L"", false, false,
     {kAntivirusOnDriveD}, false},
    {"DamagedPayloadWithTheSwitchGoesOn", Payload::Small, true, L"-s", false, false, {kDamaged}, true},
    {"WithTheSwitchEveryWarningShowsAndTheInstallationGoesOn", Payload::WithoutMainExe, true, L"-s", true, false,
     {kDamaged, kRunning, kAntivirusOnDriveD}, true},
};

INSTANTIATE_TEST_SUITE_P(Cases, InstallChecks, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<CheckCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tarifex::test
