// The operations that end an installation, on the real registry, shell links
// and file system: the install root is drive D: mapped to a temporary folder,
// both desktops are temporary folders named by the Shell Folders values
// (HKCU "Desktop", and HKLM "Common Desktop" in the 32-bit view).
#include <windows.h>

#include <shlobj.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "app/installer_state.h"
#include "payload/resources.h"
#include "steps/registration.h"
#include "support/harness.h"
#include "support/install_sandbox.h"
#include "support/scoped_reg_value.h"
#include "support/test_window.h"
#include "util/installer_error.h"
#include "util/scoped_handle.h"

namespace tarifex::test {
namespace {

constexpr wchar_t kOldShortcut[] = L"Справочник ТАРИФЭКС.lnk";
constexpr wchar_t kNetworkShortcut[] = L"Справочник Тарифэкс (Сетевая версия).lnk";
constexpr wchar_t kShortcut[] = L"Справочник Тарифэкс.lnk";
constexpr wchar_t kUnrelatedShortcut[] = L"Калькулятор.lnk";

// Where a 64-bit process sees what the 32-bit view of HKLM holds.
constexpr wchar_t kRegistration32[] = L"SOFTWARE\\Wow6432Node\\LUM\\TARIFEX";

std::vector<std::wstring> FilesIn(const std::wstring& folder, const std::wstring& mask = L"*") {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW entry;
  ScopedFind find(FindFirstFileW((folder + mask).c_str(), &entry));
  if (!find) return names;
  do {
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(entry.cFileName);
  } while (FindNextFileW(find.get(), &entry));
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::wstring> Sorted(std::vector<std::wstring> names) {
  std::sort(names.begin(), names.end());
  return names;
}

std::string Describe(const std::vector<std::wstring>& names) {
  std::string text;
  for (const auto& n : names) text += Utf8(n) + "; ";
  return text;
}

// COM on the test thread, as start-up initialises it for the window's thread.
// An installation root D:\LUM\ with the product folder and its main
// executable, a work folder under it, and two sandboxed desktops.
class RegistrationTest : public testing::Test {
 protected:
  void SetUp() override {
    savedState_ = State();
    InstallerState& s = State();
    s.InstallRoot = L"D:\\LUM\\";
    s.WorkFolder = L"D:\\LUM\\Tarifex\\tmp\\";
    s.ProductKey = kProductKey;
    s.MainExeName = kMainExeName;
    s.EditionSuffix.clear();
    s.NewVersion = L"5";
    s.NewBuild = L"12";
    s.PayloadPassword = kPayloadPassword;
    ASSERT_TRUE(CreateDirectoryW(L"D:\\LUM", nullptr));
    ASSERT_TRUE(CreateDirectoryW(L"D:\\LUM\\Tarifex", nullptr));
    ASSERT_TRUE(CreateDirectoryW(L"D:\\LUM\\Tarifex\\tmp", nullptr));
    WriteFile(L"D:\\LUM\\Tarifex\\TARIFEX.exe", "product");
    userDesktopValue_.Set(userDesktop_.path());
    userShellDesktopValue_.Set(userDesktop_.path());
    commonDesktopValue_.Set(commonDesktop_.path());
  }
  void TearDown() override { State() = savedState_; }

  InstallerState savedState_;
  ComApartment com_;
  TempDir driveFolder_;
  ScopedDrive drive_{L'D', driveFolder_.path()};
  TempDir userDesktop_;
  TempDir commonDesktop_;
  ScopedRegValue userDesktopValue_{HKEY_CURRENT_USER, kShellFoldersKey, L"Desktop"};
  ScopedRegValue userShellDesktopValue_{HKEY_CURRENT_USER, kUserShellFoldersKey, L"Desktop"};
  ScopedRegValue commonDesktopValue_{HKEY_LOCAL_MACHINE, kShellFoldersKey, L"Common Desktop", KEY_WOW64_32KEY};
  ScopedInstallationKeys keys_;
  // Last, so the current folder is back before the temporary folders go.
  ScopedCurrentFolder currentFolder_;
};

TEST_F(RegistrationTest, ValuesLandInThe32BitViewAndARepeatOverwritesThem) {
  RegisterInstallation();
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kRegistration32, L"InstallPath", KEY_WOW64_64KEY), L"D:\\LUM\\");
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kRegistration32, L"Vers", KEY_WOW64_64KEY), L"5");
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kRegistration32, L"Build", KEY_WOW64_64KEY), L"12");
  EXPECT_FALSE(RegText(HKEY_LOCAL_MACHINE, L"SOFTWARE\\LUM\\TARIFEX", L"InstallPath", KEY_WOW64_64KEY));

  State().InstallRoot = L"E:\\Программы\\";
  State().NewVersion = L"5.1";
  State().NewBuild = L"0013";
  RegisterInstallation();
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kRegistration32, L"InstallPath", KEY_WOW64_64KEY), L"E:\\Программы\\");
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kRegistration32, L"Vers", KEY_WOW64_64KEY), L"5.1");
  EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kRegistration32, L"Build", KEY_WOW64_64KEY), L"0013");
}

TEST_F(RegistrationTest, ShortcutReplacesTheOldOnesOnBothDesktops) {
  struct Case {
    const char* name;
    const wchar_t* editionSuffix;
    const wchar_t* created;
  };
  const Case cases[] = {
      {"single-user edition", L"", kShortcut},
      {"network edition", L" (Сетевая версия)", kNetworkShortcut},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    State().EditionSuffix = c.editionSuffix;
    // Old shortcuts as plain bytes: what is left of them afterwards cannot pass as a link.
    for (const TempDir* desktop : {&userDesktop_, &commonDesktop_}) {
      WriteFile(*desktop / kOldShortcut, "old");
      WriteFile(*desktop / kNetworkShortcut, "old");
      WriteFile(*desktop / kUnrelatedShortcut, "other");
    }

    ReplaceDesktopShortcut();

    EXPECT_EQ(FilesIn(userDesktop_.path()), Sorted({c.created, kUnrelatedShortcut}))
        << Describe(FilesIn(userDesktop_.path()));
    EXPECT_EQ(FilesIn(commonDesktop_.path()), Sorted({kUnrelatedShortcut}))
        << Describe(FilesIn(commonDesktop_.path()));
    const auto link = ReadShortcut(userDesktop_ / c.created);
    ASSERT_TRUE(link.has_value());
    EXPECT_EQ(link->target, L"D:\\LUM\\Tarifex\\TARIFEX.exe");
    EXPECT_EQ(link->arguments, L"");
    EXPECT_EQ(link->workingFolder, L"D:\\LUM\\tarifex");
    for (const auto& name : FilesIn(userDesktop_.path())) DeleteFileW((userDesktop_ / name).c_str());
  }
}

TEST_F(RegistrationTest, ShortcutOfTheNewNameIsReplacedThroughTheUpperCaseName) {
  // Names differing only in letter case are one file: deleting the old
  // upper-case name removes an earlier shortcut of the new name as well.
  WriteFile(userDesktop_ / kShortcut, "old");
  WriteFile(commonDesktop_ / kShortcut, "old");
  ReplaceDesktopShortcut();
  EXPECT_TRUE(FilesIn(commonDesktop_.path()).empty()) << Describe(FilesIn(commonDesktop_.path()));
  EXPECT_EQ(FilesIn(userDesktop_.path()), Sorted({kShortcut}));
  const auto link = ReadShortcut(userDesktop_ / kShortcut);
  ASSERT_TRUE(link.has_value());
  EXPECT_EQ(link->target, L"D:\\LUM\\Tarifex\\TARIFEX.exe");
}

TEST_F(RegistrationTest, UnreadableDesktopValueLeavesThatDesktopAndTheDriveRootAlone) {
  struct Case {
    const char* name;
    bool userValue;
    bool commonValue;
  };
  const Case cases[] = {
      {"user desktop value missing", false, true},
      {"common desktop value missing", true, false},
      {"both missing", false, false},
  };
  // An empty value would address the root of the current drive.
  SetCurrentDirectoryW(driveFolder_.path().c_str());
  const std::wstring root = driveFolder_.path().substr(0, 3);
  const std::wstring sentinel = root + kOldShortcut;
  ASSERT_FALSE(FileExists(sentinel));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFile(sentinel, "sentinel");
    for (const TempDir* desktop : {&userDesktop_, &commonDesktop_}) WriteFile(*desktop / kOldShortcut, "old");
    if (c.userValue) userDesktopValue_.Set(userDesktop_.path()); else userDesktopValue_.Remove();
    if (c.commonValue) commonDesktopValue_.Set(commonDesktop_.path()); else commonDesktopValue_.Remove();

    ReplaceDesktopShortcut();

    EXPECT_TRUE(FileExists(sentinel));
    EXPECT_TRUE(FilesIn(root, L"Справочник*").size() == 1) << Describe(FilesIn(root, L"Справочник*"));
    EXPECT_TRUE(FilesIn(L"D:\\", L"*.lnk").empty());
    EXPECT_EQ(FileExists(commonDesktop_ / kOldShortcut), !c.commonValue);
    if (c.userValue) {
      EXPECT_EQ(FilesIn(userDesktop_.path()), Sorted({kShortcut}));
      EXPECT_TRUE(ReadShortcut(userDesktop_ / kShortcut).has_value());
    } else {
      // The folder the value would have named keeps what it had.
      EXPECT_EQ(FilesIn(userDesktop_.path()), Sorted({kOldShortcut}));
    }
    for (const TempDir* desktop : {&userDesktop_, &commonDesktop_})
      for (const auto& name : FilesIn(desktop->path())) DeleteFileW((*desktop / name).c_str());
  }
  DeleteFileW(sentinel.c_str());
}

TEST_F(RegistrationTest, CreateShortcutSavesTargetArgumentsAndWorkingFolder) {
  const std::wstring file = userDesktop_ / L"Ярлык.lnk";
  {
    const auto saved = CreateShortcut(L"D:\\LUM\\Tarifex\\TARIFEX.exe", L"-s /x", L"D:\\LUM\\tarifex", file);
    EXPECT_NE(saved.Get(), nullptr);
  }
  const auto link = ReadShortcut(file);
  ASSERT_TRUE(link.has_value());
  EXPECT_EQ(link->target, L"D:\\LUM\\Tarifex\\TARIFEX.exe");
  EXPECT_EQ(link->arguments, L"-s /x");
  EXPECT_EQ(link->workingFolder, L"D:\\LUM\\tarifex");
}

// The work folder as the install command and the steps leave it.
class FinishTest : public RegistrationTest {
 protected:
  void SetUp() override {
    RegistrationTest::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_TRUE(FileExists(PayloadArchivePath())) << Utf8(PayloadArchivePath());
    const std::wstring work = State().WorkFolder;
    SaveResourceToFile(L"sz", work + L"sz.exe");
    SaveResourceToFile(L"7zdll", work + L"7z.dll");
    SaveResourceToFile(L"7zipdll", work + L"7-zip.dll");
    for (const wchar_t* name : {L"TARIFEX.exe", L"verinfo.ini", L"resinfo.ini", L"Fonts", L"run.bat"})
      WriteFile(work + name, "work copy");
    WriteFile(L"D:\\LUM\\Tarifex\\txTopics_mod.lum", "modified payload");
  }

  static std::string ResourceBytes(const wchar_t* name) {
    const auto view = FindResourceView(name);
    return view ? std::string(static_cast<const char*>(view->data), view->size) : std::string();
  }
};

TEST_F(FinishTest, PlacesVersionFileAndToolsAndRemovesOnlyTheTemporaryFiles) {
  FinishAndCleanUp();

  const std::string version = ReadFile(L"D:\\LUM\\tarifex\\verinfo.ini");
  EXPECT_NE(version.find("[VersionData]"), std::string::npos) << version;
  const struct {
    const wchar_t* resource;
    const wchar_t* file;
  } tools[] = {{L"SZ", L"7z.exe"}, {L"7ZDLL", L"7z.dll"}, {L"7ZIPDLL", L"7-zip.dll"}, {L"WGET", L"wget.exe"}};
  for (const auto& tool : tools) {
    const std::string expected = ResourceBytes(tool.resource);
    ASSERT_FALSE(expected.empty()) << Utf8(tool.resource);
    EXPECT_TRUE(ReadFile(std::wstring(L"D:\\LUM\\Tarifex\\") + tool.file) == expected) << Utf8(tool.file);
  }

  EXPECT_EQ(FilesIn(L"D:\\LUM\\Tarifex\\tmp\\"), Sorted({L"7-zip.dll", L"7z.dll", L"Fonts", L"run.bat"}))
      << Describe(FilesIn(L"D:\\LUM\\Tarifex\\tmp\\"));
  EXPECT_FALSE(FileExists(L"D:\\LUM\\Tarifex\\txTopics_mod.lum"));
  // The product's own copy of its executable is not the work folder's probe.
  EXPECT_EQ(ReadFile(L"D:\\LUM\\Tarifex\\TARIFEX.exe"), "product");
}

TEST_F(FinishTest, LockedToolStopsTheRestAndTheErrorTravelsUp) {
  // The product's running copy of the archiver library holds its file.
  ScopedFile locked(CreateFileW(L"D:\\LUM\\Tarifex\\7z.dll", GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(locked);
  EXPECT_THROW(FinishAndCleanUp(), InstallerError);
  locked.reset();

  EXPECT_TRUE(FileExists(L"D:\\LUM\\Tarifex\\7z.exe"));
  EXPECT_FALSE(FileExists(L"D:\\LUM\\Tarifex\\7-zip.dll"));
  EXPECT_FALSE(FileExists(L"D:\\LUM\\Tarifex\\wget.exe"));
  for (const wchar_t* kept : {L"TARIFEX.exe", L"verinfo.ini", L"resinfo.ini", L"sz.exe"})
    EXPECT_TRUE(FileExists(std::wstring(L"D:\\LUM\\Tarifex\\tmp\\") + kept)) << Utf8(kept);
  EXPECT_TRUE(FileExists(L"D:\\LUM\\Tarifex\\txTopics_mod.lum"));
}

}  // namespace
}  // namespace tarifex::test
