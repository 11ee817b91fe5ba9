// Writing the installer's own resources to files: every catalogue entry comes
// out byte for byte as the resource folder holds it, whatever the letter case
// of the name; a missing resource or an unwritable target raises.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "payload/resources.h"
#include "support/harness.h"
#include "util/installer_error.h"

namespace tarifex::test {
namespace {

std::wstring ResourceFolderFile(const std::wstring& name) { return BuildDir() + L"resources\\" + name; }

std::wstring ThrownText(const std::function<void()>& action) {
  try {
    action();
  } catch (const InstallerError& e) {
    return e.text();
  }
  return L"<nothing thrown>";
}

TEST(SaveResourceToFile, EveryCatalogueEntryMatchesItsSourceFile) {
  struct Entry {
    const wchar_t* askedAs;
    const wchar_t* sourceFile;
  };
  const Entry entries[] = {{L"sz", L"sz.exe"},         {L"7zdll", L"7z.dll"},
                           {L"7zipdll", L"7-zip.dll"}, {L"wget", L"wget.exe"},
                           {L"Fonts", L"Fonts.7z"},    {L"BDE_32", L"BDE_32.rar"},
                           {L"BDE_64", L"BDE_64.rar"}};
  TempDir dir;
  for (const Entry& e : entries) {
    const std::wstring target = dir / (std::wstring(e.askedAs) + L".out");
    SaveResourceToFile(e.askedAs, target);
    const std::string expected = ReadFile(ResourceFolderFile(e.sourceFile));
    ASSERT_FALSE(expected.empty()) << Utf8(e.sourceFile);
    EXPECT_TRUE(ReadFile(target) == expected) << Utf8(e.askedAs);
  }
}

TEST(SaveResourceToFile, NamesMatchWithoutLetterCase) {
  TempDir dir;
  SaveResourceToFile(L"sz", dir / L"lower.exe");
  SaveResourceToFile(L"SZ", dir / L"upper.exe");
  SaveResourceToFile(L"bde_64", dir / L"bde.rar");
  const std::string lower = ReadFile(dir / L"lower.exe");
  EXPECT_EQ(lower.substr(0, 2), "MZ");
  EXPECT_TRUE(lower == ReadFile(dir / L"upper.exe"));
  EXPECT_TRUE(ReadFile(dir / L"bde.rar") == ReadFile(ResourceFolderFile(L"BDE_64.rar")));
}

TEST(SaveResourceToFile, ReplacesALargerFileCompletely) {
  TempDir dir;
  const std::string resource = ReadFile(ResourceFolderFile(L"sz.exe"));
  WriteFile(dir / L"sz.exe", std::string(resource.size() + 4096, 'x'));
  SaveResourceToFile(L"sz", dir / L"sz.exe");
  EXPECT_EQ(ReadFile(dir / L"sz.exe").size(), resource.size());
}

TEST(SaveResourceToFile, MissingResourceRaisesAndLeavesTheTargetDeleted) {
  TempDir dir;
  const std::wstring target = dir / L"old.bin";
  WriteFile(target, "old content");
  EXPECT_EQ(ThrownText([&] { SaveResourceToFile(L"NOSUCH", target); }), L"Resource NOSUCH not found");
  EXPECT_FALSE(FileExists(target));
}

TEST(SaveResourceToFile, UnwritableTargetRaisesNamingTheFile) {
  TempDir dir;
  // A file another program holds open without sharing can be neither deleted nor replaced.
  const std::wstring locked = dir / L"locked.exe";
  WriteFile(locked, "keep me");
  HANDLE holder = CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  // A folder of that name cannot be replaced by a file either.
  CreateDirectoryW((dir / L"taken.exe").c_str(), nullptr);

  const std::wstring targets[] = {dir / L"missing folder\\sz.exe", locked, dir / L"taken.exe"};
  for (const std::wstring& target : targets) {
    const std::wstring text = ThrownText([&] { SaveResourceToFile(L"sz", target); });
    EXPECT_NE(text.find(L"\"" + target + L"\""), std::wstring::npos) << Utf8(text);
    // The system's reason follows the name.
    EXPECT_GT(text.size(), target.size() + 25) << Utf8(text);
  }
  CloseHandle(holder);
  EXPECT_TRUE(ReadFile(locked) == "keep me");
  EXPECT_TRUE(FolderExists(dir / L"taken.exe"));
}

TEST(WriteViewToFile, ShortWriteOnAFullDiskRaisesAndRemovesThePartialFile) {
  ScopedDrive drive(L'S', std::uint64_t(256 * 1024));
  const std::vector<char> bytes(2 * 1024 * 1024, 'z');
  const std::wstring target = drive.root() + L"big.bin";
  const std::wstring text = ThrownText([&] { WriteViewToFile({bytes.data(), bytes.size()}, target); });
  EXPECT_NE(text.find(L"\"" + target + L"\""), std::wstring::npos) << Utf8(text);
  EXPECT_FALSE(FileExists(target));
}

TEST(WriteViewToFile, EmptyViewGivesAnEmptyFile) {
  TempDir dir;
  WriteFile(dir / L"e.bin", "previous");
  WriteViewToFile({nullptr, 0}, dir / L"e.bin");
  EXPECT_TRUE(FileExists(dir / L"e.bin"));
  EXPECT_EQ(ReadFile(dir / L"e.bin"), "");
}

}  // namespace
}  // namespace tarifex::test
