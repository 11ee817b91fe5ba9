// The harness itself: drive letters come and go, and a tmpfs drive reports
// exactly its size as free space.
#include <gtest/gtest.h>

#include "support/harness.h"

namespace tarifex::test {
namespace {

TEST(Harness, MappedDriveShowsTheFolderAndGoesAway) {
  TempDir dir;
  WriteFile(dir / L"marker.txt", "here");
  {
    ScopedDrive drive(L'Q', dir.path());
    EXPECT_EQ(ReadFile(L"Q:\\marker.txt"), "here");
  }
  EXPECT_FALSE(SetCurrentDirectoryW(L"Q:\\"));
}

TEST(Harness, TmpfsDriveHasExactlyItsSizeFree) {
  ScopedDrive drive(L'R', std::uint64_t(262144000));
  ULARGE_INTEGER freeToCaller{};
  ASSERT_TRUE(GetDiskFreeSpaceExW(L"R:\\", &freeToCaller, nullptr, nullptr));
  EXPECT_EQ(freeToCaller.QuadPart, 262144000u);
}

}  // namespace
}  // namespace tarifex::test
