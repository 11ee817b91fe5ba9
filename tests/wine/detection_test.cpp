// Detection of an earlier installation on the real registry (32-bit view) and
// file system, through the main window's own controls.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/installer_state.h"
#include "support/harness.h"
#include "support/test_window.h"
#include "util/scoped_handle.h"

namespace tarifex::test {
namespace {

struct RegValue {
  std::wstring key;  // under HKLM, 32-bit view
  std::wstring name;
  std::wstring value;
};

struct FileOnD {
  std::wstring path;  // relative to the root of drive D:
  std::string content;
};

struct Texts {
  std::wstring lbl_2, lbl_11, lbl_12, button;
};

struct DetectionCase {
  const char* name;
  bool driveD;
  std::vector<RegValue> registry;
  std::vector<FileOnD> files;
  std::wstring newVersion;
  // Expected.
  std::wstring folder;
  bool folderEnabled;
  bool engineTicked;
  std::wstring installRoot;
  std::wstring installedVersion, installedBuild;
  Texts texts;
};

const std::wstring kProduct = L"SOFTWARE\\LUM\\TARIFEX";
const std::wstring kTessaron = L"SOFTWARE\\LUM-TESSARON\\Tarifex";
const std::wstring kZedov = L"SOFTWARE\\LUM\\ZedOV";
const std::wstring kMaker = L"SOFTWARE\\LUM";

const FileOnD kExe{L"LUM\\Tarifex\\TARIFEX.exe", "MZ"};
FileOnD VersionFile(const std::string& section) { return {L"LUM\\TARIFEX\\htm\\verinfo.ini", section}; }

const Texts kNewInstall512{L"На Ваш компютер будет произведена ", L"новая установка",
                           L"\"Тарифэкс\" версия: 5.12", L"Установить"};
const Texts kRepair512{L"У Вас уже установлено тарифэкс", L"установка исправит", L"\"Тарифэкс\" версии: 5.12",
                       L"Исправить"};
const Texts kReplace511By512{L"Внимание!!! У Вас уже есть Тарифэкс.", L"установка заменит Вашу версию 5.11",
                             L"на \"Тарифэкс\" версии: 5.12", L"Заменить"};

void SetRegValue32(const RegValue& v) {
  ScopedRegKey key;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, v.key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY,
                            nullptr, key.receive(), nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(key.get(), v.name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(v.value.c_str()),
                           DWORD((v.value.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
}

// -1 when the key does not exist.
int ValueCount32(const std::wstring& path) {
  ScopedRegKey key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | KEY_WOW64_32KEY, key.receive()) != ERROR_SUCCESS)
    return -1;
  DWORD values = 0;
  RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                   nullptr, nullptr);
  return int(values);
}

void WriteFileWithFolders(const std::wstring& root, const std::wstring& relative, const std::string& content) {
  for (std::size_t at = relative.find(L'\\'); at != std::wstring::npos; at = relative.find(L'\\', at + 1))
    CreateDirectoryW((root + relative.substr(0, at)).c_str(), nullptr);
  WriteFile(root + relative, content);
}

const DetectionCase kCases[] = {
    {"NoKeysWithDriveD", true, {}, {}, L"5",
     L"D:\\LUM\\TARIFEX\\", true, true, L"D:\\LUM\\", L"", L"", kNewInstall512},
    {"NoKeysWithoutDriveD", false, {}, {}, L"5",
     L"", true, true, L"C:\\LUM\\", L"", L"", kNewInstall512},
    {"Repair", true,
     {{kProduct, L"InstallPath", L"D:\\LUM\\"}, {kTessaron, L"ProgramPath", L"D:\\Old\\Tarifex\\"}},
     {kExe, VersionFile("[VersionData]\r\nVersion=5\r\nBuild=12\r\n")}, L"5",
     L"D:\\LUM\\TARIFEX\\", false, false, L"D:\\LUM\\", L"5", L"12", kRepair512},
    {"Replace", true,
     {{kProduct, L"InstallPath", L"D:\\LUM\\"}},
     {kExe, VersionFile("[VersionData]\r\nVersion=5\r\nBuild=11\r\n")}, L"5",
     L"D:\\LUM\\TARIFEX\\", false, false, L"D:\\LUM\\", L"5", L"11", kReplace511By512},
    {"DifferentVersionsAsText", true,
     {{kProduct, L"InstallPath", L"D:\\LUM\\"}},
     {kExe, VersionFile("[VersionData]\r\nVersion=5.0\r\nBuild=12\r\n")}, L"5.00",
     L"D:\\LUM\\TARIFEX\\", true, false, L"D:\\LUM\\", L"5.0", L"12",
     {kNewInstall512.lbl_2, kNewInstall512.lbl_11, L"\"Тарифэкс\" версия: 5.00.12", L"Установить"}},
    {"RegistryPathWithoutExecutable", true,
     {{kProduct, L"InstallPath", L"D:\\LUM\\"}},
     {VersionFile("[VersionData]\r\nVersion=5\r\nBuild=12\r\n")}, L"5",
     L"D:\\LUM\\TARIFEX\\", true, false, L"D:\\LUM\\", L"5", L"12", kNewInstall512},
    // Probe 2 cuts "Tarifex\" case-sensitively; the registry values stand in for the missing version file.
    {"Probe2MixedCaseRemoved", true,
     {{kTessaron, L"ProgramPath", L"D:\\LUM\\Tarifex\\"}, {kProduct, L"Vers", L"5"}, {kProduct, L"Build", L"12"},
      {kZedov, L"ProgramPath", L"D:\\Zed\\ZedOV\\"}},
     {kExe}, L"5",
     L"D:\\LUM\\TARIFEX\\", false, false, L"D:\\LUM\\", L"5", L"12", kRepair512},
    {"Probe2UpperCaseKeptWhole", true,
     {{kTessaron, L"ProgramPath", L"D:\\LUM\\TARIFEX\\"}},
     {kExe}, L"5",
     L"D:\\LUM\\TARIFEX\\TARIFEX\\", true, false, L"D:\\LUM\\TARIFEX\\", L"", L"", kNewInstall512},
    {"Probe3CutsZedOVAndWinsOverProbe4", false,
     {{kZedov, L"ProgramPath", L"C:\\Apps\\ZedOV\\"}, {kMaker, L"InstallPath", L"C:\\Other\\"}},
     {}, L"5",
     L"C:\\Apps\\TARIFEX\\", true, false, L"C:\\Apps\\", L"", L"", kNewInstall512},
    {"Probe4Last", false,
     {{kMaker, L"InstallPath", L"C:\\Other\\"}},
     {}, L"5",
     L"C:\\Other\\TARIFEX\\", true, false, L"C:\\Other\\", L"", L"", kNewInstall512},
    // The version file counts whenever it exists, even without its keys.
    {"VersionFileWinsOverRegistry", true,
     {{kProduct, L"InstallPath", L"D:\\LUM\\"}, {kProduct, L"Vers", L"5"}, {kProduct, L"Build", L"12"}},
     {kExe, VersionFile("[VersionData]\r\n")}, L"5",
     L"D:\\LUM\\TARIFEX\\", true, false, L"D:\\LUM\\", L"0", L"0", kNewInstall512},
    // A stored path is joined as it is, without a backslash added.
    {"PathUsedAsStored", true,
     {{kProduct, L"InstallPath", L"D:\\LUM"}, {kProduct, L"Vers", L"5"}, {kProduct, L"Build", L"12"}},
     {kExe}, L"5",
     L"D:\\LUMTARIFEX\\", true, false, L"D:\\LUM", L"5", L"12", kNewInstall512},
};

TEST(Detection, DecidesModeAndPreparesWindowFromRegistryAndFiles) {
  for (const DetectionCase& c : kCases) {
    SCOPED_TRACE(c.name);
    ScopedInstallationKeys keys;
    TempDir driveFolder;
    std::optional<ScopedDrive> drive;
    if (c.driveD) drive.emplace(L'D', driveFolder.path());
    ScopedCurrentFolder keepFolder;
    ASSERT_TRUE(SetCurrentDirectoryW(L"C:\\"));
    ASSERT_EQ(FolderExists(L"D:\\"), c.driveD);

    for (const RegValue& v : c.registry) SetRegValue32(v);
    for (const FileOnD& f : c.files) WriteFileWithFolders(driveFolder.path(), f.path, f.content);

    InstallerState& state = State();
    state.ProductKey = L"TARIFEX";
    state.MainExeName = L"TARIFEX.exe";
    state.EditionSuffix = L"";
    state.NewVersion = c.newVersion;
    state.NewBuild = L"12";
    state.InstalledVersion = state.InstalledBuild = L"stale";
    state.InstallRoot = L"stale";
    TfrmMain& window = TestWindow();
    window.SetText(Control::lbl_1, L"status");

    window.Setup_Initialization();

    EXPECT_EQ(window.Text(Control::Diredt1), c.folder);
    EXPECT_EQ(window.Enabled(Control::Diredt1), c.folderEnabled);
    EXPECT_TRUE(window.Enabled(Control::chkBDE));
    EXPECT_EQ(window.Checked(Control::chkBDE), c.engineTicked);
    EXPECT_EQ(state.InstallRoot, c.installRoot);
    EXPECT_EQ(state.InstalledVersion, c.installedVersion);
    EXPECT_EQ(state.InstalledBuild, c.installedBuild);
    EXPECT_EQ(window.Text(Control::lbl_1), L"");
    EXPECT_EQ(window.Text(Control::lbl_2), c.texts.lbl_2);
    EXPECT_EQ(window.Text(Control::lbl_11), c.texts.lbl_11);
    EXPECT_EQ(window.Text(Control::lbl_12), c.texts.lbl_12);
    EXPECT_EQ(window.Text(Control::btn_install), c.texts.button);

    // Only the drive-D: proposal moves the process onto D:\.
    const bool proposedD = c.registry.empty() && c.driveD;
    EXPECT_EQ(CurrentFolder(), proposedD ? L"D:\\" : L"C:\\");
    // Probe 1 creates the product key; nothing is written into it.
    if (c.registry.empty()) {
      EXPECT_EQ(ValueCount32(kProduct), 0);
    }
  }
}

}  // namespace
}  // namespace tarifex::test
