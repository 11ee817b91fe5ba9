// Support helpers on the real Wine file system.
#include <gtest/gtest.h>

#include "support/harness.h"
#include "util/file_helpers.h"
#include "util/scoped_handle.h"

namespace tarifex::test {
namespace {

std::wstring CurrentDirectory() {
  wchar_t buffer[MAX_PATH * 2];
  const DWORD n = GetCurrentDirectoryW(DWORD(std::size(buffer)), buffer);
  return std::wstring(buffer, n);
}

TEST(EnsureFolder, CreatesEveryMissingParentAndIsQuietWhenPresent) {
  TempDir dir;
  MessageCapture capture;
  EnsureFolder(dir / L"A\\B\\C");
  EXPECT_TRUE(FolderExists(dir / L"A\\B\\C\\"));
  EnsureFolder(dir / L"A\\B\\C\\");
  EXPECT_TRUE(capture.messages().empty());
}

TEST(EnsureFolder, ReportsTheFolderAsPassedWhenItCannotBeCreated) {
  MessageCapture capture;
  EnsureFolder(L"K:\\No\\Drive");  // no drive K: in the test prefix
  ASSERT_EQ(capture.texts(), std::vector<std::wstring>{L"Не хавтает прав создать директорию K:\\No\\Drive"});
}

TEST(EnsureFolder, ReportsAFolderBlockedByAFile) {
  TempDir dir;
  WriteFile(dir / L"blocker", "x");
  MessageCapture capture;
  EnsureFolder(dir / L"blocker\\sub\\");
  ASSERT_EQ(capture.texts().size(), 1u);
  EXPECT_EQ(capture.texts()[0], L"Не хавтает прав создать директорию " + (dir / L"blocker\\sub\\"));
}

TEST(DeleteFilesByMask, DeletesPlainFilesOnlyAndCountsThem) {
  TempDir dir;
  WriteFile(dir / L"one.txt", "1");
  WriteFile(dir / L"two.dat", "2");
  WriteFile(dir / L"locked.txt", "3");
  SetFileAttributesW((dir / L"locked.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  CreateDirectoryW((dir / L"sub").c_str(), nullptr);
  WriteFile(dir / L"sub\\deep.txt", "4");

  EXPECT_EQ(DeleteFilesByMask(dir / L"", L"*.*"), 2);
  EXPECT_FALSE(FileExists(dir / L"one.txt"));
  EXPECT_FALSE(FileExists(dir / L"two.dat"));
  EXPECT_TRUE(FileExists(dir / L"locked.txt"));
  EXPECT_TRUE(FileExists(dir / L"sub\\deep.txt"));
  EXPECT_EQ(CurrentDirectory(), dir.path().substr(0, dir.path().size() - 1));
}

TEST(DeleteFilesByMask, MatchesOnlyTheMaskDirectlyInTheFolder) {
  TempDir dir;
  WriteFile(dir / L"a.tmp", "1");
  WriteFile(dir / L"b.tmp", "1");
  WriteFile(dir / L"keep.txt", "1");
  CreateDirectoryW((dir / L"sub").c_str(), nullptr);
  WriteFile(dir / L"sub\\c.tmp", "1");
  // Without the trailing backslash too.
  EXPECT_EQ(DeleteFilesByMask(dir.path().substr(0, dir.path().size() - 1), L"*.tmp"), 2);
  EXPECT_TRUE(FileExists(dir / L"keep.txt"));
  EXPECT_TRUE(FileExists(dir / L"sub\\c.tmp"));
  EXPECT_EQ(DeleteFilesByMask(dir / L"", L"*.none"), 0);
}

TEST(DeleteFilesByMask, MissingFolderGivesZeroAndKeepsTheCurrentDirectory) {
  TempDir dir;
  ASSERT_TRUE(SetCurrentDirectoryW(dir.path().c_str()));
  const std::wstring before = CurrentDirectory();
  EXPECT_EQ(DeleteFilesByMask(dir / L"missing\\", L"*.*"), 0);
  EXPECT_EQ(CurrentDirectory(), before);
}

TEST(GetFileSizeByName, ReportsTheLastMatchAndZeroForNothing) {
  TempDir dir;
  WriteFile(dir / L"ten.bin", "0123456789");
  WriteFile(dir / L"empty.bin", "");
  EXPECT_EQ(GetFileSizeByName(dir / L"ten.bin"), 10);
  EXPECT_EQ(GetFileSizeByName(dir / L"empty.bin"), 0);
  EXPECT_EQ(GetFileSizeByName(dir / L"missing.bin"), 0);
  EXPECT_EQ(GetFileSizeByName(dir / L"no\\such\\folder\\x.bin"), 0);
  EXPECT_EQ(GetFileSizeByName(L"bare-name-without-folder.bin"), 0);

  WriteFile(dir / L"m1.dat", "12");
  WriteFile(dir / L"m2.dat", "1234");
  const std::int32_t size = GetFileSizeByName(dir / L"m*.dat");
  EXPECT_TRUE(size == 2 || size == 4) << size;  // whichever the search delivers last
}

TEST(GetFileSizeByName, KeepsTheSigned32BitResultForHugeFiles) {
  TempDir dir;
  const std::wstring path = dir / L"huge.bin";
  {
    ScopedFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(file);
    LARGE_INTEGER end;
    end.QuadPart = 3LL * 1024 * 1024 * 1024 + 5;  // sparse on the host file system
    ASSERT_TRUE(SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN));
    ASSERT_TRUE(SetEndOfFile(file.get()));
  }
  EXPECT_EQ(GetFileSizeByName(path), static_cast<std::int32_t>(0xC0000005u));
}

TEST(GetTempFolder, ReadsAPathLongerThan128CharactersWhole) {
  wchar_t saved[4096];
  const DWORD had = GetEnvironmentVariableW(L"TMP", saved, DWORD(std::size(saved)));
  TempDir dir;
  std::wstring longFolder = dir.path();
  while (longFolder.size() < 200) longFolder += L"abcdefghij\\";
  EnsureFolder(longFolder);
  ASSERT_TRUE(SetEnvironmentVariableW(L"TMP", longFolder.c_str()));

  std::wstring variable = L"unchanged";
  GetTempFolder(variable);
  SetEnvironmentVariableW(L"TMP", had ? saved : nullptr);
  EXPECT_EQ(variable, longFolder);
}

TEST(GetTempFolder, GivesTheSystemFolderWithItsBackslash) {
  std::wstring variable;
  GetTempFolder(variable);
  ASSERT_FALSE(variable.empty());
  EXPECT_EQ(variable.back(), L'\\');
  EXPECT_TRUE(FolderExists(variable));
}

struct FileOperationCase {
  const char* name;
  const wchar_t* operation;
  const wchar_t* source;       // relative to the case's folder; "a" and "b" exist
  const wchar_t* destination;  // relative, or absolute when it starts with a drive
  bool overwrite;
  bool result;
  const char* a_after;  // content of a afterwards, "" when gone
  const char* b_after;
};

TEST(FileOperation, FollowsTheRulesOfEachVerb) {
  const FileOperationCase cases[] = {
      {"copy to a new name", L"copy", L"a", L"new", true, true, "A", "B"},
      {"copy into a missing folder", L"copy", L"a", L"nowhere\\new", true, false, "A", "B"},
      {"copy onto existing without overwrite", L"COPY", L"a", L"b", false, false, "A", "B"},
      {"copy onto existing with overwrite", L"Copy", L"a", L"b", true, true, "A", "A"},
      {"copy a missing source", L"COPY", L"missing", L"new", true, false, "A", "B"},
      {"move onto existing without overwrite", L"MOVE", L"a", L"b", false, false, "A", "B"},
      {"move onto existing with overwrite", L"move", L"a", L"b", true, true, "", "A"},
      {"rename to a new name", L"rename", L"a", L"new", false, true, "", "B"},
      {"delete", L"DELETE", L"a", L"anything", false, true, "", "B"},
      {"unknown verb", L"LIST", L"a", L"b", true, false, "A", "B"},
      {"destination with a bad character", L"copy", L"a", L"bad|name", true, false, "A", "B"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    WriteFile(dir / L"a", "A");
    WriteFile(dir / L"b", "B");
    EXPECT_EQ(FileOperation(c.operation, dir / c.source, dir / c.destination, c.overwrite), c.result);
    EXPECT_EQ(FileExists(dir / L"a") ? ReadFile(dir / L"a") : "", c.a_after);
    EXPECT_EQ(FileExists(dir / L"b") ? ReadFile(dir / L"b") : "", c.b_after);
  }
}

TEST(FileOperation, RefusesPathsOf260CharactersOrMore) {
  TempDir dir;
  WriteFile(dir / L"a", "A");
  std::wstring longName = dir.path();
  longName.append(260 - longName.size(), L'n');
  EXPECT_FALSE(FileOperation(L"copy", dir / L"a", longName, true));
}

}  // namespace
}  // namespace tarifex::test
