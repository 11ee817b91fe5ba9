// The folder field's exit on real drives: normalisation, the free-space
// boundary on a drive of exactly known size, and the refusals.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/install_folder.h"
#include "app/installer_state.h"
#include "support/harness.h"
#include "support/test_window.h"

namespace tarifex::test {
namespace {

const std::wstring kNotEnoughSpace = L"На выбранном диске не достаточно места.\rУкажите другой путь установки";

// Leaves the field as a user would, with a known current folder to compare.
struct ExitResult {
  std::wstring field;
  std::vector<std::wstring> messages;
  bool currentFolderKept;
};

ExitResult LeaveField(const std::wstring& typed) {
  TfrmMain& window = TestWindow();
  window.SetText(Control::Diredt1, typed);
  ScopedCurrentFolder keep;
  SetCurrentDirectoryW(L"C:\\");
  MessageCapture capture;
  window.Diredt1Exit();
  return {window.Text(Control::Diredt1), capture.texts(), CurrentFolder() == L"C:\\"};
}

TEST(FolderField, NormalisesTypedFolderAndDerivesRoot) {
  TempDir driveFolder;
  ScopedDrive drive(L'D', driveFolder.path());
  struct Case {
    std::wstring typed, field, root;
  };
  const Case cases[] = {
      {L"D:\\Programs", L"D:\\Programs\\LUM\\TARIFEX\\", L"D:\\Programs\\LUM\\"},
      {L"D:\\LUM", L"D:\\LUM\\TARIFEX\\", L"D:\\LUM\\"},
      {L"d:\\lum\\tarifex", L"d:\\lum\\tarifex\\", L"d:\\lum\\"},
      {L"D:\\Data\\Tarifex\\", L"D:\\Data\\Tarifex\\LUM\\TARIFEX\\", L"D:\\Data\\Tarifex\\LUM\\"},
      {L"  \tD:\\LUM\\TARIFEX\\ \r\n", L"D:\\LUM\\TARIFEX\\", L"D:\\LUM\\"},
      {L"D:", L"D:\\LUM\\TARIFEX\\", L"D:\\LUM\\"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf8(c.typed));
    State().InstallRoot = L"earlier\\";
    const ExitResult r = LeaveField(c.typed);
    EXPECT_EQ(r.field, c.field);
    EXPECT_EQ(State().InstallRoot, c.root);
    EXPECT_TRUE(r.messages.empty());
    EXPECT_TRUE(r.currentFolderKept);
  }
}

TEST(FolderField, FreeSpaceBoundaryOnDriveOfExactSize) {
  ScopedDrive drive(L'T', std::uint64_t(kRequiredFreeBytes));
  std::int64_t freeBytes = 0, total = 0;
  ASSERT_TRUE(GetDriveFreeSpace(L"T", freeBytes, total));
  ASSERT_EQ(freeBytes, kRequiredFreeBytes) << "the tmpfs drive is not of the size asked for";

  State().InstallRoot = L"earlier\\";
  ExitResult r = LeaveField(L"T:\\");
  EXPECT_EQ(r.field, L"T:\\LUM\\TARIFEX\\");
  EXPECT_EQ(State().InstallRoot, L"T:\\LUM\\");
  EXPECT_TRUE(r.messages.empty());

  // One block fuller: below the threshold.
  WriteFile(L"T:\\block.bin", std::string(4096, 'x'));
  ASSERT_TRUE(GetDriveFreeSpace(L"T", freeBytes, total));
  ASSERT_EQ(freeBytes, kRequiredFreeBytes - 4096);
  State().InstallRoot = L"earlier\\";
  r = LeaveField(L"T:\\Other");
  EXPECT_EQ(r.messages, std::vector<std::wstring>{kNotEnoughSpace});
  EXPECT_EQ(r.field, L"");
  EXPECT_EQ(State().InstallRoot, L"earlier\\");
  EXPECT_TRUE(r.currentFolderKept);
  DeleteFileW(L"T:\\block.bin");
}

TEST(FolderField, RefusesWhatNamesNoUsableDrive) {
  const wchar_t* const typed[] = {
      L"",                   // becomes \LUM\TARIFEX\: no drive letter
      L"   ",                // the same after trimming
      L"Q:\\Programs",       // a drive that does not exist
      L"\\\\server\\share",  // a network path
  };
  ASSERT_FALSE(FolderExists(L"Q:\\"));
  for (const wchar_t* t : typed) {
    SCOPED_TRACE(Utf8(t));
    State().InstallRoot = L"earlier\\";
    const ExitResult r = LeaveField(t);
    EXPECT_EQ(r.messages, std::vector<std::wstring>{kNotEnoughSpace});
    EXPECT_EQ(r.field, L"");
    EXPECT_EQ(State().InstallRoot, L"earlier\\");
    EXPECT_TRUE(r.currentFolderKept);
  }
}

TEST(DriveFreeSpace, MissingDriveGivesMinusOneAndKeepsCurrentFolder) {
  TempDir here;
  ScopedCurrentFolder keep;
  ASSERT_TRUE(SetCurrentDirectoryW(here.path().c_str()));
  const std::wstring before = CurrentFolder();
  std::int64_t freeBytes = 0, total = 0;
  EXPECT_FALSE(GetDriveFreeSpace(L"Q", freeBytes, total));
  EXPECT_EQ(freeBytes, -1);
  EXPECT_EQ(total, -1);
  EXPECT_TRUE(GetDriveFreeSpace(L"C", freeBytes, total));
  EXPECT_GT(total, 0);
  EXPECT_GE(total, freeBytes);
  EXPECT_EQ(CurrentFolder(), before);
}

}  // namespace
}  // namespace tarifex::test
