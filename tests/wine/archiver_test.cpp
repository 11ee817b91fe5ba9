// Extraction through the real console archiver written from the installer's
// own resources, the awaited launcher and the shell launcher. The engine
// stand-in serves as a program that records how it was started (its trace in
// HKCU\Software\TarifexTest\EngineStandin).
#include <windows.h>

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "app/installer_state.h"
#include "payload/archiver.h"
#include "payload/process_launch.h"
#include "payload/resources.h"
#include "payload/run_command_line.h"
#include "support/harness.h"
#include "ui/app_window.h"
#include "util/scoped_handle.h"

namespace tarifex::test {
namespace {

constexpr wchar_t kTraceKey[] = L"Software\\TarifexTest\\EngineStandin";
constexpr wchar_t kAutofinishVariable[] = L"TARIFEX_ENGINE_AUTOFINISH";

void ClearTrace() { RegDeleteKeyW(HKEY_CURRENT_USER, kTraceKey); }

std::optional<std::wstring> TraceValue(const wchar_t* name) {
  wchar_t buffer[4096];
  DWORD size = sizeof(buffer);
  if (RegGetValueW(HKEY_CURRENT_USER, kTraceKey, name, RRF_RT_REG_SZ, nullptr, buffer, &size) !=
      ERROR_SUCCESS)
    return std::nullopt;
  return std::wstring(buffer);
}

bool WaitUntil(const std::function<bool()>& done, int milliseconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    Sleep(50);
  }
  return true;
}

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

// Sets an environment variable of this process (inherited by what it starts)
// and restores the previous state at the end.
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

std::wstring StandinPath() { return ProgramPath(L"engine-standin.exe"); }

void CopyStandin(const std::wstring& target) {
  ASSERT_TRUE(CopyFileW(StandinPath().c_str(), target.c_str(), FALSE)) << Utf8(target);
}

// A work folder with the archiver and its format library, as start-up leaves it.
class ArchiverTest : public testing::Test {
 protected:
  void SetUp() override {
    wchar_t cwd[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, cwd);
    savedCurrentDirectory_ = cwd;
    savedWorkFolder_ = State().WorkFolder;
    SaveResourceToFile(L"sz", work_ / L"sz.exe");
    SaveResourceToFile(L"7zdll", work_ / L"7z.dll");
    State().WorkFolder = work_.path();
    ClearTrace();
  }
  void TearDown() override {
    // The temporary folders cannot go while they are the current directory.
    SetCurrentDirectoryW(savedCurrentDirectory_.c_str());
    State().WorkFolder = savedWorkFolder_;
    ClearTrace();
  }

  static std::wstring Payload() { return FixturePath(L"archiver\\payload.lum"); }
  static std::string Source(const std::wstring& member) {
    return ReadFile(FixturePath(L"archiver\\payload-src\\" + member));
  }
  bool Extract(const std::wstring& mask, const std::wstring& folder,
               const std::wstring& password = kPayloadPassword) {
    return ExtractFromPayload(Payload(), mask, folder, password);
  }

  TempDir work_;
  TempDir out_;
  std::wstring savedCurrentDirectory_;
  std::wstring savedWorkFolder_;
};

TEST_F(ArchiverTest, SingleMemberLandsAtItsPathWithItsContent) {
  const wchar_t* members[] = {L"verinfo.ini", L"TARIFEX.exe", L"sub\\inner.txt",
                              L"Имя с пробелом.txt"};
  for (const wchar_t* member : members) {
    EXPECT_TRUE(Extract(member, out_.path())) << Utf8(member);
    const std::string expected = Source(member);
    ASSERT_FALSE(expected.empty());
    EXPECT_TRUE(FileExists(out_ / member) && ReadFile(out_ / member) == expected) << Utf8(member);
  }
}

TEST_F(ArchiverTest, PlainNameOfASubfolderMemberFailsThoughTheFileIsExtracted) {
  // The mask matches in every folder, but success is judged at the mask's own path.
  EXPECT_FALSE(Extract(L"inner.txt", out_.path()));
  EXPECT_TRUE(FileExists(out_ / L"sub\\inner.txt"));
  EXPECT_FALSE(FileExists(out_ / L"inner.txt"));
}

TEST_F(ArchiverTest, WildcardExtractsEveryMemberWithItsPath) {
  EXPECT_TRUE(Extract(L"*.*", out_.path()));
  for (const wchar_t* member : {L"verinfo.ini", L"resinfo.ini", L"TARIFEX.exe", L"sub\\inner.txt",
                                L"Имя с пробелом.txt", L"empty.dat"}) {
    EXPECT_TRUE(FileExists(out_ / member) && ReadFile(out_ / member) == Source(member)) << Utf8(member);
  }
}

TEST_F(ArchiverTest, ExistingFileIsOverwrittenWithoutAsking) {
  WriteFile(out_ / L"verinfo.ini", std::string(500, 'o'));
  EXPECT_TRUE(Extract(L"verinfo.ini", out_.path()));
  EXPECT_EQ(ReadFile(out_ / L"verinfo.ini"), Source(L"verinfo.ini"));
}

TEST_F(ArchiverTest, MissingArchiveDoesNothing) {
  // A stand-in in place of the archiver would leave its trace if anything started it.
  ScopedEnvironment autofinish(kAutofinishVariable, L"0");
  DeleteFileW((work_ / L"sz.exe").c_str());
  CopyStandin(work_ / L"sz.exe");
  WriteFile(out_ / L"verinfo.ini", "old copy");

  struct Case {
    const char* name;
    std::wstring archive;
  };
  const Case cases[] = {
      {"missing file in an existing folder", out_ / L"nothere.lum"},
      {"missing folder", out_ / L"no folder\\txTopics.lum"},
      {"unmapped drive", L"Q:\\LUM\\txTopics.lum"},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(ExtractFromPayload(c.archive, L"verinfo.ini", out_.path(), kPayloadPassword)) << c.name;
    EXPECT_FALSE(ExtractFromPayload(c.archive, L"*.*", out_ / L"new\\", kPayloadPassword)) << c.name;
    EXPECT_EQ(ReadFile(out_ / L"verinfo.ini"), "old copy") << c.name;
    EXPECT_FALSE(FolderExists(out_ / L"new")) << c.name;
  }
  Sleep(200);
  EXPECT_FALSE(TraceValue(L"Started").has_value());
}

TEST_F(ArchiverTest, AbsentMemberDeletesTheOldFileAndFails) {
  WriteFile(out_ / L"absent.txt", "stale");
  EXPECT_FALSE(Extract(L"absent.txt", out_.path()));
  EXPECT_FALSE(FileExists(out_ / L"absent.txt"));
}

TEST_F(ArchiverTest, EmptyMemberCountsAsFailure) {
  EXPECT_FALSE(Extract(L"empty.dat", out_.path()));
  EXPECT_TRUE(FileExists(out_ / L"empty.dat"));
}

TEST_F(ArchiverTest, WildcardSucceedsWithoutCheckingSingleFileDoesNot) {
  struct Case {
    const char* name;
    const wchar_t* mask;
    const wchar_t* password;
    bool removeArchiver;
    bool expected;
  };
  const Case cases[] = {
      {"wildcard, wrong password", L"*.*", L"wrong", false, true},
      {"single file, wrong password", L"verinfo.ini", L"wrong", false, false},
      {"wildcard, no archiver", L"*.*", kPayloadPassword, true, true},
      {"single file, no archiver", L"verinfo.ini", kPayloadPassword, true, false},
  };
  for (const Case& c : cases) {
    TempDir out;
    if (c.removeArchiver) DeleteFileW((work_ / L"sz.exe").c_str());
    EXPECT_EQ(Extract(c.mask, out.path(), c.password), c.expected) << c.name;
    if (c.removeArchiver) SaveResourceToFile(L"sz", work_ / L"sz.exe");
    SetCurrentDirectoryW(savedCurrentDirectory_.c_str());
  }
}

TEST_F(ArchiverTest, FolderWithBlanksAndCyrillicIsCreatedAndFilled) {
  const std::wstring folder = out_ / L"Папка с пробелом\\Вложенная папка\\";
  EXPECT_TRUE(Extract(L"Имя с пробелом.txt", folder));
  EXPECT_EQ(ReadFile(folder + L"Имя с пробелом.txt"), Source(L"Имя с пробелом.txt"));
}

TEST_F(ArchiverTest, FolderWithoutBackslashWorks) {
  const std::wstring folder = out_ / L"tarifex";
  EXPECT_TRUE(Extract(L"verinfo.ini", folder));
  EXPECT_EQ(ReadFile(folder + L"\\verinfo.ini"), Source(L"verinfo.ini"));
}

TEST_F(ArchiverTest, ArchiverGetsTheExactCommandLineHiddenInItsOwnFolder) {
  ScopedEnvironment autofinish(kAutofinishVariable, L"0");
  DeleteFileW((work_ / L"sz.exe").c_str());
  CopyStandin(work_ / L"sz.exe");
  const std::wstring folder = out_ / L"W\\";
  EXPECT_FALSE(Extract(L"verinfo.ini", folder));
  EXPECT_EQ(TraceValue(L"CommandLine").value_or(L"<none>"),
            L"\"" + work_.path() + L"sz.exe\" x -prq%7mUXA? -r -y \"" + Payload() + L"\" -o\"" + folder +
                L"\" \"verinfo.ini\"");
  EXPECT_EQ(TraceValue(L"CurrentDirectory").value_or(L"<none>"), work_.path());
  EXPECT_EQ(TraceValue(L"StartupShow").value_or(L"<none>"), L"flags=1 show=0");
  // It was awaited: the stand-in had finished when the call returned.
  EXPECT_EQ(TraceValue(L"Installed").value_or(L"<none>"), L"sz.exe");
}

TEST_F(ArchiverTest, EngineInstallerComesOutOfTheRealEngineArchives) {
  struct Case {
    const wchar_t* resource;
    const wchar_t* member;
    const wchar_t* password;
    bool expected;
  };
  const Case cases[] = {
      {L"BDE_64", L"bde64.exe", kEngineArchivePassword, true},
      {L"BDE_32", L"bde32.exe", kEngineArchivePassword, true},
      {L"BDE_64", L"bde64.exe", kPayloadPassword, false},
  };
  for (const Case& c : cases) {
    const std::wstring archive = work_ / L"BDE.rar";
    const std::wstring folder = work_ / L"BDE\\";
    SaveResourceToFile(c.resource, archive);
    EXPECT_EQ(ExtractFromPayload(archive, c.member, folder, c.password), c.expected) << Utf8(c.resource);
    if (c.expected) {
      EXPECT_TRUE(ReadFile(folder + c.member) == ReadFile(StandinPath())) << Utf8(c.member);
    }
    SetCurrentDirectoryW(savedCurrentDirectory_.c_str());
    DeleteFileW((folder + c.member).c_str());
  }
}

// A plain top-level test window that stands for the main window.
class WindowTest : public testing::Test {
 protected:
  void SetUp() override {
    ClearTrace();
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"TarifexLaunchTestWindow";
    RegisterClassW(&windowClass);
    window_ = CreateWindowExW(0, windowClass.lpszClassName, L"test", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                              nullptr, nullptr, windowClass.hInstance, nullptr);
    ASSERT_NE(window_, nullptr);
    SetAppWindow(window_);
  }
  void TearDown() override {
    SetAppWindow(nullptr);
    DestroyWindow(window_);
    ProcessPendingMessages();
    ClearTrace();
  }

  HWND window_ = nullptr;
  TempDir dir_;
};

TEST_F(WindowTest, MissingExecutableFailsAndLeavesTheWindowAsItWas) {
  EXPECT_FALSE(RunAndWait(dir_ / L"nothere.exe", L"x", SW_HIDE, true));
  EXPECT_FALSE(IsWindowVisible(window_));
  ShowWindow(window_, SW_SHOW);
  EXPECT_FALSE(RunAndWait(dir_ / L"nothere.exe", L"x", SW_HIDE, true));
  EXPECT_TRUE(IsWindowVisible(window_));
}

TEST_F(WindowTest, StartedProgramIsAwaitedAndTheWindowShownAndRaised) {
  const std::wstring folder = dir_ / L"Папка с пробелом\\";
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring program = folder + L"runner.exe";
  CopyStandin(program);
  HWND other = CreateWindowExW(0, L"TarifexLaunchTestWindow", L"other", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                               0, 0, 200, 100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);

  for (const bool hide : {true, false}) {
    ClearTrace();
    ShowWindow(window_, SW_HIDE);
    SetWindowPos(other, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(RunAndWait(program, L"/autofinish=300 ", SW_SHOWNORMAL, hide)) << hide;
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300)) << hide;
    EXPECT_EQ(TraceValue(L"Installed").value_or(L"<none>"), L"runner.exe") << hide;
    EXPECT_EQ(TraceValue(L"CommandLine").value_or(L"<none>"), L"\"" + program + L"\" /autofinish=300") << hide;
    EXPECT_EQ(TraceValue(L"CurrentDirectory").value_or(L"<none>"), folder) << hide;
    EXPECT_EQ(TraceValue(L"StartupShow").value_or(L"<none>"), L"flags=1 show=1") << hide;
    EXPECT_TRUE(IsWindowVisible(window_)) << hide;
    // Raised above the window that was on top before.
    bool aboveOther = false;
    for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
      if (w == window_) {
        aboveOther = true;
        break;
      }
      if (w == other) break;
    }
    EXPECT_TRUE(aboveOther) << hide;
  }
  DestroyWindow(other);
}

TEST_F(WindowTest, EmptyArgumentsEndTheCommandLineWithTheQuote) {
  ScopedEnvironment autofinish(kAutofinishVariable, L"0");
  const std::wstring program = dir_ / L"runner.exe";
  CopyStandin(program);
  EXPECT_TRUE(RunAndWait(program, L"", SW_HIDE, false));
  EXPECT_EQ(TraceValue(L"CommandLine").value_or(L"<none>"), L"\"" + program + L"\"");
  EXPECT_TRUE(IsWindowVisible(window_));
}

TEST(ShellOpen, EngineStandinRunsOnItsOwnWithItsSecondProcessAndBothEnd) {
  struct Case {
    const wchar_t* installer;
    const wchar_t* helper;
  };
  const Case cases[] = {{L"bde64.exe", L"Setup.exe"}, {L"bde32.exe", L"_INS0432._MP"}};
  for (const Case& c : cases) {
    ClearTrace();
    TempDir dir;
    const std::wstring folder = dir / L"Движок BDE\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    CopyStandin(folder + c.installer);

    ShellOpen(L"open", folder + c.installer, L"/autofinish=1500", SW_SHOWNORMAL);
    // Nothing is awaited: the stand-in is still running.
    EXPECT_FALSE(TraceValue(L"Installed").has_value()) << Utf8(c.installer);

    EXPECT_TRUE(WaitUntil([&] { return TraceValue(L"Helper").has_value(); }, 20000)) << Utf8(c.installer);
    EXPECT_EQ(TraceValue(L"Helper").value_or(L"<none>"), c.helper);
    EXPECT_TRUE(ProcessRunning(c.installer) || TraceValue(L"Installed").has_value());
    EXPECT_TRUE(WaitUntil([&] { return TraceValue(L"Installed").has_value(); }, 20000)) << Utf8(c.installer);
    EXPECT_EQ(TraceValue(L"Installed").value_or(L"<none>"), c.installer);
    EXPECT_TRUE(TraceValue(L"InstalledAt").has_value());
    EXPECT_TRUE(WaitUntil([&] { return !ProcessRunning(c.installer) && !ProcessRunning(c.helper); }, 20000))
        << Utf8(c.installer);
  }
  ClearTrace();
}

}  // namespace
}  // namespace tarifex::test
