// Registry and INI helpers on the real Wine registry and file system.
#include <gtest/gtest.h>

#include "support/harness.h"
#include "util/ini_file.h"
#include "util/installer_error.h"
#include "util/registry.h"
#include "util/scoped_handle.h"

namespace tarifex::test {
namespace {

// A key of its own under HKLM\SOFTWARE, removed from both views afterwards.
class RegistryTest : public testing::Test {
 protected:
  void TearDown() override {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Wow6432Node\\TarifexTest");
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\TarifexTest");
  }
  static bool KeyExists64(const wchar_t* path) {
    ScopedRegKey key;
    return RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ | KEY_WOW64_64KEY, key.receive()) == ERROR_SUCCESS;
  }
  const std::wstring key_ = L"SOFTWARE\\TarifexTest\\Product";
};

TEST_F(RegistryTest, WritesAndReadsInThe32BitView) {
  WriteRegString(HKEY_LOCAL_MACHINE, key_, L"InstallPath", L"D:\\LUM\\");
  EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, key_, L"InstallPath", false), L"D:\\LUM\\");
  // Where a 32-bit process on 64-bit Windows writes it.
  EXPECT_TRUE(KeyExists64(L"SOFTWARE\\Wow6432Node\\TarifexTest\\Product"));
  EXPECT_FALSE(KeyExists64(L"SOFTWARE\\TarifexTest\\Product"));
}

TEST_F(RegistryTest, AbsentKeyReadsEmptyAndIsCreatedOnlyWhenAsked) {
  EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, key_, L"Vers", false), L"");
  EXPECT_FALSE(KeyExists64(L"SOFTWARE\\Wow6432Node\\TarifexTest\\Product"));
  EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, key_, L"Vers", true), L"");
  EXPECT_TRUE(KeyExists64(L"SOFTWARE\\Wow6432Node\\TarifexTest\\Product"));
}

TEST_F(RegistryTest, ValueTypesDecideTheResult) {
  WriteRegString(HKEY_LOCAL_MACHINE, key_, L"Empty", L"");
  ScopedRegKey key;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, key_.c_str(), 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, key.receive()),
            ERROR_SUCCESS);
  const DWORD number = 5;
  RegSetValueExW(key.get(), L"Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
  const wchar_t expand[] = L"%TEMP%\\x";
  RegSetValueExW(key.get(), L"Expand", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(expand), sizeof expand);
  const wchar_t twoParts[] = L"first\0second";
  RegSetValueExW(key.get(), L"Embedded", 0, REG_SZ, reinterpret_cast<const BYTE*>(twoParts), sizeof twoParts);
  const wchar_t unterminated[] = {L'a', L'b', L'c'};
  RegSetValueExW(key.get(), L"Unterminated", 0, REG_SZ, reinterpret_cast<const BYTE*>(unterminated),
                 sizeof unterminated);
  RegSetValueExW(key.get(), L"ZeroSize", 0, REG_DWORD, nullptr, 0);

  EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, key_, L"Empty", false), L"");
  EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, key_, L"Expand", false), L"%TEMP%\\x");
  EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, key_, L"Embedded", false), L"first");
  EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, key_, L"Unterminated", false), L"abc");
  EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, key_, L"ZeroSize", false), L"");
  try {
    ReadRegString(HKEY_LOCAL_MACHINE, key_, L"Number", false);
    ADD_FAILURE() << "a DWORD value must raise";
  } catch (const InstallerError& e) {
    EXPECT_EQ(e.text(), L"Invalid data type for 'Number'");
  }
}

TEST_F(RegistryTest, WriteFailureRaisesNamingTheValue) {
  // A lasting key cannot be created below a volatile one.
  ScopedRegKey volatileKey;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\TarifexTest\\Volatile", 0, nullptr, REG_OPTION_VOLATILE,
                            KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, volatileKey.receive(), nullptr),
            ERROR_SUCCESS);
  try {
    WriteRegString(HKEY_LOCAL_MACHINE, L"SOFTWARE\\TarifexTest\\Volatile\\Child", L"Vers", L"5.12");
    ADD_FAILURE() << "the write must raise";
  } catch (const InstallerError& e) {
    EXPECT_EQ(e.text(), L"Failed to set data for 'Vers'");
  }
}

TEST(ReadIniString, FindsValuesWithoutLetterCaseAndFallsBackToTheDefault) {
  TempDir dir;
  const std::wstring ini = dir / L"verinfo.ini";
  WriteFile(ini, "[Version]\r\nVers=5.12\r\nBuild=0412\r\nLong=" + std::string(3000, 'x') + "\r\n");
  EXPECT_EQ(ReadIniString(ini, L"VERSION", L"vers", L"0"), L"5.12");
  EXPECT_EQ(ReadIniString(ini, L"Version", L"Build", L"0"), L"0412");
  EXPECT_EQ(ReadIniString(ini, L"Version", L"Missing", L"0"), L"0");
  EXPECT_EQ(ReadIniString(ini, L"Other", L"Vers", L"0"), L"0");
  EXPECT_EQ(ReadIniString(dir / L"absent.ini", L"Version", L"Vers", L"def"), L"def");
  EXPECT_EQ(ReadIniString(ini, L"Version", L"Long", L""), std::wstring(2047, L'x'));
}

}  // namespace
}  // namespace tarifex::test
