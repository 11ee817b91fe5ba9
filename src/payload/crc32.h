// The standard CRC-32 (reflected, polynomial 0xEDB88320, as zlib and PNG use
// it) and its 8-digit checksum text.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace tarifex {

using Crc32TableType = std::array<std::uint32_t, 256>;

inline constexpr std::uint32_t kCrc32Preset = 0xFFFFFFFFu;

// Fills the 256-entry lookup table of the reflected polynomial.
void BuildCrc32Table(Crc32TableType& table);

// Byte-at-a-time update: for each byte, crc = (crc >> 8) ^ table[(crc ^ b) & 0xFF].
// No bytes (null pointer or count 0) returns crc unchanged.
std::uint32_t UpdateCrc32(const Crc32TableType& table, std::uint32_t crc,
                          const std::uint8_t* bytes, std::size_t count);

// Same results as UpdateCrc32, eight bytes per step (slicing-by-8). Its extra
// tables are derived from the byte table it is built from.
class FastCrc32 {
 public:
  explicit FastCrc32(const Crc32TableType& table);
  std::uint32_t Update(std::uint32_t crc, const std::uint8_t* bytes, std::size_t count) const;

 private:
  std::array<Crc32TableType, 8> slices_;
};

// Exactly 8 upper-case hexadecimal digits, leading zeros kept.
std::string Crc32Text(std::uint32_t value);

}  // namespace tarifex
