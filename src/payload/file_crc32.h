// Checksum of a whole file without Win32, for the packaging tool, the host
// tests and the benchmark. The installer's own reader opens the payload the
// way the installer must; this one only has to agree with it on the result.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace tarifex {

// A file that cannot be opened or read. what() names the file and the reason.
class FileReadError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class Crc32Method {
  kSlicingBy8,  // FastCrc32: what every caller should use
  kByteLoop,    // UpdateCrc32, one table lookup per byte: kept for comparison
};

inline constexpr std::size_t kFileCrc32BlockSize = std::size_t(1) << 20;

// The CRC-32 of every byte of the file, in order (preset and final XOR applied:
// "123456789" gives 0xCBF43926). Throws FileReadError when the file cannot be
// opened or a read fails part way; a folder is not a readable file.
std::uint32_t FileCrc32(const std::filesystem::path& path,
                        Crc32Method method = Crc32Method::kSlicingBy8);

// The same as its 8-digit upper-case checksum text.
std::string FileCrc32Text(const std::filesystem::path& path);

}  // namespace tarifex
