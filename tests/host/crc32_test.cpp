// The checksum must equal zlib's CRC-32 bit for bit: the trailer of every
// shipped installer is computed by one implementation and checked by another.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "payload/crc32.h"
#include "payload/file_crc32.h"

namespace tarifex {
namespace {

const Crc32TableType& Table() {
  static const Crc32TableType table = [] {
    Crc32TableType t{};
    BuildCrc32Table(t);
    return t;
  }();
  return table;
}

const std::uint8_t* Bytes(const std::string& s) {
  return reinterpret_cast<const std::uint8_t*>(s.data());
}

std::uint32_t ZlibCrc(const std::uint8_t* bytes, std::size_t count) {
  return std::uint32_t(crc32(0L, bytes, uInt(count)));
}

struct KnownVector {
  const char* label;
  std::string input;
  const char* text;
};

TEST(Crc32, KnownVectorsMatchZlibAndBothLoops) {
  const KnownVector cases[] = {
      {"empty", "", "00000000"},
      {"check value", "123456789", "CBF43926"},
      {"one byte", "a", "E8B7BE43"},
      {"sentence of 43 bytes", "The quick brown fox jumps over the lazy dog", "414FA339"},
      {"two leading zero digits", "x31", "001685F0"},
      {"four leading zero digits", "x831", "0002864D"},
      {"bytes above 0x7F", std::string("\xC0\xFF\x80\x00\x7F", 5), nullptr},
  };
  const FastCrc32 fast(Table());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const auto* p = Bytes(c.input);
    const std::uint32_t bytewise = UpdateCrc32(Table(), kCrc32Preset, p, c.input.size()) ^ 0xFFFFFFFFu;
    const std::uint32_t sliced = fast.Update(kCrc32Preset, p, c.input.size()) ^ 0xFFFFFFFFu;
    EXPECT_EQ(bytewise, ZlibCrc(p, c.input.size()));
    EXPECT_EQ(sliced, ZlibCrc(p, c.input.size()));
    if (c.text) {
      EXPECT_EQ(Crc32Text(bytewise), c.text);
    }
  }
}

TEST(Crc32, RandomBuffersOfOddLengthsAndMisalignedStarts) {
  std::mt19937 random(20240611);
  std::vector<std::uint8_t> buffer(5000);
  for (auto& b : buffer) b = std::uint8_t(random());
  const FastCrc32 fast(Table());
  for (std::size_t length : {1u, 3u, 7u, 8u, 9u, 15u, 16u, 17u, 63u, 1001u, 4093u}) {
    for (std::size_t start = 0; start < 8; ++start) {
      SCOPED_TRACE("length " + std::to_string(length) + " start " + std::to_string(start));
      const std::uint8_t* p = buffer.data() + start;
      const std::uint32_t expected = ZlibCrc(p, length);
      EXPECT_EQ(UpdateCrc32(Table(), kCrc32Preset, p, length) ^ 0xFFFFFFFFu, expected);
      EXPECT_EQ(fast.Update(kCrc32Preset, p, length) ^ 0xFFFFFFFFu, expected);
      // A file is checksummed block by block: the register must carry across any split.
      const std::size_t split = length / 3;
      const std::uint32_t partial = fast.Update(kCrc32Preset, p, split);
      EXPECT_EQ(fast.Update(partial, p + split, length - split) ^ 0xFFFFFFFFu, expected);
    }
  }
}

TEST(Crc32, NoBytesLeaveTheRegisterUnchanged) {
  const FastCrc32 fast(Table());
  const std::uint8_t byte = 0x55;
  EXPECT_EQ(UpdateCrc32(Table(), 0x12345678u, nullptr, 10), 0x12345678u);
  EXPECT_EQ(UpdateCrc32(Table(), 0x12345678u, &byte, 0), 0x12345678u);
  EXPECT_EQ(fast.Update(0x12345678u, nullptr, 10), 0x12345678u);
  EXPECT_EQ(fast.Update(0x12345678u, &byte, 0), 0x12345678u);
}

TEST(Crc32, TextIsEightUpperCaseDigitsWithLeadingZeros) {
  const std::pair<std::uint32_t, const char*> cases[] = {
      {0u, "00000000"},         {0xFu, "0000000F"},         {0x0ABCDEF0u, "0ABCDEF0"},
      {0xFFFFFFFFu, "FFFFFFFF"}, {0xCBF43926u, "CBF43926"},
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(Crc32Text(value), text) << std::hex << value;
}

class FileCrc32Test : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tarifex-crc-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  std::filesystem::path Write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    const auto path = folder_ / name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
  }

  std::filesystem::path folder_;
};

TEST_F(FileCrc32Test, SmallFiles) {
  EXPECT_EQ(FileCrc32Text(Write("empty", {})), "00000000");
  EXPECT_EQ(FileCrc32Text(Write("check", {'1', '2', '3', '4', '5', '6', '7', '8', '9'})),
            "CBF43926");
}

TEST_F(FileCrc32Test, FileSpanningSeveralBlocksMatchesZlibWithBothMethods) {
  // Three blocks and a ragged end, so a lost or repeated block would show.
  std::vector<std::uint8_t> bytes(3 * kFileCrc32BlockSize + 13);
  std::mt19937 random(7);
  for (auto& b : bytes) b = std::uint8_t(random());
  const auto path = Write("big", bytes);
  const std::uint32_t expected = ZlibCrc(bytes.data(), bytes.size());
  EXPECT_EQ(FileCrc32(path, Crc32Method::kSlicingBy8), expected);
  EXPECT_EQ(FileCrc32(path, Crc32Method::kByteLoop), expected);
}

TEST_F(FileCrc32Test, MissingFileOrFolderIsAnErrorNamingThePath) {
  for (const auto& path : {folder_ / "absent.lum", folder_}) {
    try {
      FileCrc32(path);
      ADD_FAILURE() << "no error for " << path;
    } catch (const FileReadError& e) {
      EXPECT_NE(std::string(e.what()).find(path.string()), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace tarifex
