// The first show on the real system: tools written into the work folder, the
// payload's manifests taken out of the payload beside the program, the title,
// and the detection run at the end.
#include <gtest/gtest.h>

#include <string>

#include "app/installer_state.h"
#include "payload/resources.h"
#include "support/harness.h"
#include "support/test_window.h"
#include "ui/event_boundary.h"

namespace tarifex::test {
namespace {

// TMP pointed at a fresh folder, so the work folder is the test's own.
class ScopedTempVariable {
 public:
  explicit ScopedTempVariable(const std::wstring& folder) {
    wchar_t old[4096];
    const DWORD n = GetEnvironmentVariableW(L"TMP", old, 4096);
    had_ = n > 0 && n < 4096;
    if (had_) old_.assign(old, n);
    SetEnvironmentVariableW(L"TMP", folder.c_str());
  }
  ~ScopedTempVariable() { SetEnvironmentVariableW(L"TMP", had_ ? old_.c_str() : nullptr); }

 private:
  std::wstring old_;
  bool had_ = false;
};

// Moves the payload beside the program away for one test and back afterwards.
class ScopedPayloadAway {
 public:
  ScopedPayloadAway() : path_(PayloadArchivePath()) {
    moved_ = MoveFileExW(path_.c_str(), (path_ + L".away").c_str(), MOVEFILE_REPLACE_EXISTING);
  }
  ~ScopedPayloadAway() {
    if (moved_) MoveFileExW((path_ + L".away").c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING);
  }
  bool moved() const { return moved_; }

 private:
  std::wstring path_;
  bool moved_ = false;
};

std::string ResourceBytes(const wchar_t* name) {
  const auto view = FindResourceView(name);
  if (!view) return {};
  return std::string(static_cast<const char*>(view->data), view->size);
}

class FirstShow : public testing::Test {
 protected:
  void SetUp() override {
    State() = InstallerState{};
    State().PayloadPassword = kPayloadPassword;
    SetCurrentDirectoryW(L"C:\\");
  }

  ScopedInstallationKeys keys_;
  ScopedCurrentFolder keepFolder_;
  TempDir temp_;
  ScopedTempVariable tmp_{temp_.path()};
};

TEST_F(FirstShow, PreparesWorkFolderTitleAndDetection) {
  ASSERT_TRUE(FileExists(PayloadArchivePath())) << Utf8(PayloadArchivePath());
  WriteFile(temp_ / L"sz.exe", "old archiver");
  TfrmMain& window = TestWindow();

  window.FormShow();

  const InstallerState& state = State();
  EXPECT_EQ(state.WorkFolder, temp_.path());
  for (const auto& [resource, file] : {std::pair{L"sz", L"sz.exe"}, {L"7zdll", L"7z.dll"}, {L"7zipdll", L"7-zip.dll"}}) {
    SCOPED_TRACE(Utf8(file));
    const std::string expected = ResourceBytes(resource);
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(ReadFile(temp_ / file), expected);
  }
  EXPECT_NE(ReadFile(temp_ / L"verinfo.ini").find("Version=5"), std::string::npos);
  EXPECT_NE(ReadFile(temp_ / L"resinfo.ini").find("TARIFEX.exe"), std::string::npos);

  EXPECT_EQ(state.MainExeName, L"TARIFEX.exe");
  EXPECT_EQ(state.EditionSuffix, L"");
  EXPECT_EQ(state.ProductKey, L"TARIFEX");
  EXPECT_EQ(state.NewVersion, L"5");
  EXPECT_EQ(state.NewBuild, L"12");
  EXPECT_EQ(window.Caption(), L"Installer - «Тарифэкс» версия 5.12");
  EXPECT_EQ(window.Text(Control::chk_exe), L"Тарифэкс");

  EXPECT_EQ(state.Crc32Table[0], 0u);
  EXPECT_EQ(state.Crc32Table[1], 0x77073096u);
  EXPECT_EQ(state.Crc32Table[128], 0xEDB88320u);
  EXPECT_EQ(state.Crc32Table[255], 0x2D02EF8Du);

  // The detection ran last, with the payload's version (no drive D: here).
  EXPECT_EQ(window.Text(Control::lbl_12), L"\"Тарифэкс\" версия: 5.12");
  EXPECT_EQ(window.Text(Control::btn_install), L"Установить");
  EXPECT_EQ(state.InstallRoot, L"C:\\LUM\\");
}

TEST_F(FirstShow, WithoutPayloadShowsVersionZeroAndIgnoresStaleManifests) {
  ScopedPayloadAway away;
  ASSERT_TRUE(away.moved());
  // Left by an earlier run in the same temporary folder: not this payload's.
  WriteFile(temp_ / L"verinfo.ini", "[VersionData]\r\nVersion=9\r\nBuild=99\r\n");
  WriteFile(temp_ / L"resinfo.ini", "[Files]\r\nold.exe\r\n");
  TfrmMain& window = TestWindow();
  MessageCapture capture;

  window.FormShow();

  EXPECT_TRUE(capture.texts().empty());
  EXPECT_EQ(State().NewVersion, L"0");
  EXPECT_EQ(State().NewBuild, L"0");
  EXPECT_EQ(window.Caption(), L"Installer - «Тарифэкс» версия 0.0");
  EXPECT_EQ(window.Text(Control::chk_exe), L"Тарифэкс");
  EXPECT_TRUE(FileExists(temp_ / L"sz.exe"));
  EXPECT_TRUE(FileExists(temp_ / L"7z.dll"));
  EXPECT_TRUE(FileExists(temp_ / L"7-zip.dll"));
  EXPECT_FALSE(FileExists(temp_ / L"verinfo.ini"));
  EXPECT_FALSE(FileExists(temp_ / L"resinfo.ini"));
  EXPECT_EQ(window.Text(Control::lbl_12), L"\"Тарифэкс\" версия: 0.0");
}

TEST_F(FirstShow, ErrorWritingAToolEndsTheSequenceAtThatStep) {
  // An archiver held open without sharing can be neither deleted nor replaced.
  WriteFile(temp_ / L"sz.exe", "in use");
  HANDLE held = CreateFileW((temp_ / L"sz.exe").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  TfrmMain& window = TestWindow();
  MessageCapture capture;

  RunHandler([&] { window.FormShow(); });
  CloseHandle(held);

  ASSERT_EQ(capture.messages().size(), 1u);
  EXPECT_TRUE(capture.messages()[0].error);
  EXPECT_EQ(State().Crc32Table[1], 0x77073096u);
  EXPECT_EQ(State().WorkFolder, temp_.path());
  EXPECT_FALSE(FileExists(temp_ / L"7z.dll"));
  EXPECT_EQ(State().MainExeName, L"");
  EXPECT_EQ(window.Caption(), L"LUM Tessaron - Кордекс");
  EXPECT_EQ(window.Text(Control::lbl_12), L"\"Кордекс\" на Ваш компьютер.");
}

}  // namespace
}  // namespace tarifex::test
