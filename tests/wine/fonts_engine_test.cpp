// The fonts and the engine step on the real system: the fonts archive and the
// engine archives come from the test program's own resources, the engine
// installer is the stand-in (its trace in HKCU\Software\TarifexTest\EngineStandin),
// and the fonts folder is a temporary folder named by HKCU's Shell Folders.
#include <windows.h>

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "app/installer_state.h"
#include "payload/process_list.h"
#include "payload/resources.h"
#include "steps/fonts_engine.h"
#include "support/harness.h"
#include "support/scoped_reg_value.h"
#include "support/test_window.h"
#include "ui/wait_dialog.h"
#include "util/scoped_handle.h"

namespace tarifex::test {
namespace {

constexpr wchar_t kTraceKey[] = L"Software\\TarifexTest\\EngineStandin";
constexpr wchar_t kAutofinishVariable[] = L"TARIFEX_ENGINE_AUTOFINISH";
constexpr wchar_t kFollowEngineSetup[] = L"Пожалуйста следуйте инструкциям установки BDE ...";
constexpr wchar_t kEarlierStatus[] = L"Установка шрифтов ...";

// The thirteen faces of the fonts archive; the last four are read-only in it.
const wchar_t* const kFontFiles[] = {
    L"DejaVuSans.ttf",          L"DejaVuSans-Bold.ttf",         L"DejaVuSans-Oblique.ttf",
    L"DejaVuSans-BoldOblique.ttf", L"DejaVuSansMono-Oblique.ttf", L"DejaVuSansMono-BoldOblique.ttf",
    L"DejaVuSerif-Italic.ttf",  L"DejaVuSerif-BoldItalic.ttf",  L"DejaVuSansCondensed.ttf",
    L"DejaVuSansMono.ttf",      L"DejaVuSansMono-Bold.ttf",     L"DejaVuSerif.ttf",
    L"DejaVuSerif-Bold.ttf",
};
constexpr int kFontCount = 13;

void ClearTrace() { RegDeleteKeyW(HKEY_CURRENT_USER, kTraceKey); }

std::optional<std::wstring> Trace(const wchar_t* name) { return RegText(HKEY_CURRENT_USER, kTraceKey, name); }

bool ProcessRunning(const std::wstring& name) {
  ScopedSnapshot snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return false;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL ok = Process32FirstW(snapshot.get(), &entry); ok; ok = Process32NextW(snapshot.get(), &entry)) {
    if (_wcsicmp(entry.szExeFile, name.c_str()) == 0) return true;
  }
  return false;
}

// Names of the files directly in a folder.
std::vector<std::wstring> FilesIn(const std::wstring& folder, const std::wstring& mask = L"*") {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW entry;
  ScopedFind find(FindFirstFileW((folder + mask).c_str(), &entry));
  if (!find) return names;
  do {
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(entry.cFileName);
  } while (FindNextFileW(find.get(), &entry));
  return names;
}

class ScopedEnvironment {
 public:
  ScopedEnvironment(const wchar_t* name, const wchar_t* value) : name_(name) {
    wchar_t old[256];
    const DWORD n = GetEnvironmentVariableW(name, old, 256);
    if (n > 0 && n < 256) previous_ = std::wstring(old, n);
    SetEnvironmentVariableW(name, value);
  }
  ~ScopedEnvironment() { SetEnvironmentVariableW(name_, previous_ ? previous_->c_str() : nullptr); }

 private:
  const wchar_t* name_;
  std::optional<std::wstring> previous_;
};

// User and kernel time this process has used so far, in milliseconds.
double ProcessCpuMilliseconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto ticks = [](const FILETIME& t) { return (ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
  return double(ticks(kernel) + ticks(user)) / 10000.0;
}

// Counts the texts set on a control while it lives, and when the first and
// the last of them arrived: each pass of the engine wait sets the status line.
class TextSetCounter {
 public:
  explicit TextSetCounter(HWND control) : control_(control) {
    current_ = this;
    previous_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc)));
  }
  ~TextSetCounter() {
    SetWindowLongPtrW(control_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
    current_ = nullptr;
  }
  int count() const { return count_; }
  double spanMilliseconds() const { return std::chrono::duration<double, std::milli>(last_ - first_).count(); }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    TextSetCounter& self = *current_;
    if (message == WM_SETTEXT) {
      const auto now = std::chrono::steady_clock::now();
      if (self.count_++ == 0) self.first_ = now;
      self.last_ = now;
    }
    return CallWindowProcW(self.previous_, hwnd, message, wParam, lParam);
  }

  static inline TextSetCounter* current_ = nullptr;
  HWND control_;
  WNDPROC previous_ = nullptr;
  int count_ = 0;
  std::chrono::steady_clock::time_point first_, last_;
};

// How long one look at the process list takes here, averaged.
double EnumerationMilliseconds(const wchar_t* name) {
  constexpr int kRounds = 8;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kRounds; ++i) IsProcessRunning(name, false);
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / kRounds;
}

// A work folder with the archiver, as the install command leaves it, and a
// fonts folder the Shell Folders value points at.
class FontsEngineTest : public testing::Test {
 protected:
  void SetUp() override {
    savedState_ = State();
    window_ = &TestWindow();
    TfrmTmp::Create(GetModuleHandleW(nullptr), window_->hwnd());
    State().WorkFolder = work_.path();
    State().PayloadPassword = kPayloadPassword;
    State().EngineArchivePassword = kEngineArchivePassword;
    SaveResourceToFile(L"sz", work_ / L"sz.exe");
    SaveResourceToFile(L"7zdll", work_ / L"7z.dll");
    SaveResourceToFile(L"7zipdll", work_ / L"7-zip.dll");
    fontsValue_.Set(fonts_.path());
    ClearTrace();
  }
  void TearDown() override {
    State() = savedState_;
    ClearTrace();
  }

  void ExpectAllFontsIn(const std::wstring& folder) {
    EXPECT_EQ(FilesIn(folder, L"*.ttf").size(), std::size_t(kFontCount));
    for (const wchar_t* font : kFontFiles) EXPECT_TRUE(FileExists(folder + font)) << Utf8(font);
  }

  void ExpectEngineFilesRemoved() {
    EXPECT_FALSE(FileExists(work_ / L"BDE.rar"));
    EXPECT_TRUE(FolderExists(work_ / L"BDE"));
    EXPECT_TRUE(FilesIn(work_ / L"BDE\\").empty());
  }

  InstallerState savedState_;
  // Fetched once: every TestWindow() call clears the status line.
  TfrmMain* window_ = nullptr;
  TempDir work_;
  TempDir fonts_;
  ScopedRegValue fontsValue_{HKEY_CURRENT_USER, kShellFoldersKey, L"Fonts"};
  // Last, so the current folder is back before the temporary folders go.
  ScopedCurrentFolder currentFolder_;
};

TEST_F(FontsEngineTest, FontsLandInTheFontsFolderAndTheArchiveStays) {
  InstallFontsStep();
  ExpectAllFontsIn(fonts_.path());
  EXPECT_TRUE(FileExists(work_ / L"Fonts"));
  EXPECT_GT(ReadFile(fonts_ / L"DejaVuSans.ttf").size(), 1000u);
}

TEST_F(FontsEngineTest, SecondRunOverwritesFontsInPlaceAlsoReadOnlyOnes) {
  InstallFontsStep();
  const std::string plain = ReadFile(fonts_ / L"DejaVuSans.ttf");
  const std::string readOnly = ReadFile(fonts_ / L"DejaVuSerif.ttf");
  ASSERT_FALSE(plain.empty());
  ASSERT_FALSE(readOnly.empty());

  // Spoil one ordinary and one read-only font, keeping the latter read-only.
  WriteFile(fonts_ / L"DejaVuSans.ttf", "spoilt");
  const std::wstring readOnlyPath = fonts_ / L"DejaVuSerif.ttf";
  SetFileAttributesW(readOnlyPath.c_str(), FILE_ATTRIBUTE_NORMAL);
  WriteFile(readOnlyPath, "spoilt");
  SetFileAttributesW(readOnlyPath.c_str(), FILE_ATTRIBUTE_READONLY);

  InstallFontsStep();
  EXPECT_EQ(ReadFile(fonts_ / L"DejaVuSans.ttf"), plain);
  EXPECT_EQ(ReadFile(readOnlyPath), readOnly);
  ExpectAllFontsIn(fonts_.path());
}

TEST_F(FontsEngineTest, MissingFontsFolderValueExtractsNothingAnywhere) {
  // Without the value the fonts would go to the root of the current drive,
  // which is the work folder's drive once the archiver has run.
  ASSERT_EQ(work_.path().substr(0, 3), L"C:\\");
  ASSERT_TRUE(FilesIn(L"C:\\", L"*.ttf").empty());
  SetCurrentDirectoryW(work_.path().c_str());
  fontsValue_.Remove();

  InstallFontsStep();
  EXPECT_TRUE(FilesIn(L"C:\\", L"*.ttf").empty());
  EXPECT_TRUE(FilesIn(fonts_.path()).empty());
  EXPECT_TRUE(FilesIn(work_.path(), L"*.ttf").empty());
  // Fonts that did land there would break the next run's precondition.
  for (const auto& name : FilesIn(L"C:\\", L"*.ttf")) {
    SetFileAttributesW((L"C:\\" + name).c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW((L"C:\\" + name).c_str());
  }
}

TEST_F(FontsEngineTest, IsWow64IsFalseForA64BitProcess) {
  if (sizeof(void*) != 8) GTEST_SKIP() << "only a 64-bit process knows its answer in advance";
  EXPECT_FALSE(IsWow64());
}

// Both answers of the variant choice, run for real with the stand-in, which
// finishes a while after the wait dialog has closed.
TEST_F(FontsEngineTest, StepWaitsForTheEngineSetupOfEitherVariantWithoutBusyWaiting) {
  struct Case {
    bool wow64;
    const wchar_t* installer;
    const wchar_t* helper;
  };
  const Case cases[] = {
      {false, L"bde32.exe", L"_INS0432._MP"},
      {true, L"bde64.exe", L"Setup.exe"},
  };
  // The clock this measures with must move for the bound below to mean anything.
  {
    const double before = ProcessCpuMilliseconds();
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (ProcessCpuMilliseconds() - before < 50.0 && std::chrono::steady_clock::now() < end) {
    }
    ASSERT_GE(ProcessCpuMilliseconds() - before, 50.0) << "process times do not advance";
  }

  constexpr int kSetupMilliseconds = 7000;
  ScopedEnvironment autofinish(kAutofinishVariable, std::to_wstring(kSetupMilliseconds).c_str());
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf8(c.installer));
    ClearTrace();
    window_->SetText(Control::lbl_1, kEarlierStatus);
    const EngineVariant variant = EngineVariantFor(c.wow64);
    EXPECT_EQ(std::wstring(variant.installer), c.installer);
    EXPECT_EQ(std::wstring(variant.otherProcess), c.helper);

    TextSetCounter passes(window_->Handle(Control::lbl_1));
    const double cpuBefore = ProcessCpuMilliseconds();
    const auto start = std::chrono::steady_clock::now();
    InstallEngineStepFor(c.wow64);
    const double wall =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    const double cpu = ProcessCpuMilliseconds() - cpuBefore;
    const int passCount = passes.count();
    const double loopSpan = passes.spanMilliseconds();

    // The stand-in of the right archive ran, with its helper, and had
    // finished before the step returned.
    EXPECT_EQ(Trace(L"Started"), std::wstring(c.installer));
    EXPECT_EQ(Trace(L"Helper"), std::wstring(c.helper));
    EXPECT_EQ(Trace(L"Installed"), std::wstring(c.installer));
    EXPECT_FALSE(ProcessRunning(c.installer));
    EXPECT_FALSE(ProcessRunning(c.helper));
    EXPECT_GE(wall, kSetupMilliseconds - 500.0);
    EXPECT_EQ(window_->Text(Control::lbl_1), kFollowEngineSetup);
    EXPECT_LT(cpu, 0.3 * wall) << "cpu " << cpu << " ms over " << wall << " ms";
    // Under Wine most of the enumeration's cost lands in the server, not in
    // this process, so the pace of the passes must show a busy wait too: each
    // pass takes one enumeration (the other process runs throughout) plus a
    // wait of about 100 ms (a busy loop measured here: 20-45 ms above one
    // enumeration; the waiting loop: 120-135 ms above).
    ASSERT_GE(passCount, 5);
    const double passMilliseconds = loopSpan / (passCount - 1);
    EXPECT_GE(passMilliseconds, EnumerationMilliseconds(c.helper) + 80.0)
        << passCount << " passes in " << loopSpan << " ms";
    ExpectEngineFilesRemoved();
    ExpectAllFontsIn(fonts_.path());
  }
}

// Ends an unrelated SETUP.EXE from inside the step's wait, a while after the
// stand-in has finished, through a timer of the waiting thread.
struct ProbeStopper {
  TfrmMain* window = nullptr;
  HANDLE probe = nullptr;
  int ticksAfterSetup = 0;
  bool stopped = false;
};
ProbeStopper* g_stopper = nullptr;

void CALLBACK StopProbeLater(HWND, UINT, UINT_PTR, DWORD) {
  ProbeStopper& s = *g_stopper;
  if (s.stopped || s.window->Text(Control::lbl_1) != kFollowEngineSetup) return;
  if (!Trace(L"Installed") || ProcessRunning(L"bde64.exe")) return;
  // The stand-in is gone; the wait must go on for the probe alone.
  if (++s.ticksAfterSetup < 5) return;
  TerminateProcess(s.probe, 0);
  WaitForSingleObject(s.probe, 5000);
  s.stopped = true;
}

TEST_F(FontsEngineTest, AnyProcessUnderTheOtherNameInAnyCaseHoldsTheWait) {
  TempDir probeFolder;
  const std::wstring probe = probeFolder / L"SETUP.EXE";
  ASSERT_TRUE(CopyFileW(ProgramPath(L"process-probe.exe").c_str(), probe.c_str(), FALSE));
  std::wstring commandLine = L"\"" + probe + L"\" 60000";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  ASSERT_TRUE(CreateProcessW(probe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                             probeFolder.path().c_str(), &startup, &info));
  ScopedProcess process(info.hProcess);
  CloseHandle(info.hThread);

  ProbeStopper stopper{window_, process.get()};
  g_stopper = &stopper;
  const UINT_PTR timer = SetTimer(nullptr, 0, 200, StopProbeLater);
  ScopedEnvironment autofinish(kAutofinishVariable, L"0");
  InstallEngineStepFor(true);
  KillTimer(nullptr, timer);
  g_stopper = nullptr;

  EXPECT_TRUE(stopper.stopped) << "the step ended while SETUP.EXE ran";
  EXPECT_EQ(Trace(L"Installed"), std::wstring(L"bde64.exe"));
  EXPECT_EQ(window_->Text(Control::lbl_1), kFollowEngineSetup);
  ExpectEngineFilesRemoved();
  if (WaitForSingleObject(process.get(), 0) != WAIT_OBJECT_0) TerminateProcess(process.get(), 1);
  WaitForSingleObject(process.get(), 5000);
}

TEST_F(FontsEngineTest, SetupFinishedWithinTheDialogLeavesTheStatusAlone) {
  ScopedEnvironment autofinish(kAutofinishVariable, L"0");
  window_->SetText(Control::lbl_1, kEarlierStatus);
  InstallEngineStep();
  // This build's own answer picks the archive.
  const std::wstring installer = IsWow64() ? L"bde64.exe" : L"bde32.exe";
  EXPECT_EQ(Trace(L"Installed"), installer);
  EXPECT_EQ(window_->Text(Control::lbl_1), kEarlierStatus);
  ExpectEngineFilesRemoved();
  ExpectAllFontsIn(fonts_.path());
}

}  // namespace
}  // namespace tarifex::test
