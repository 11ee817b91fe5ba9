#include "payload/crc32.h"

#include <cstring>

namespace tarifex {

void BuildCrc32Table(Crc32TableType& table) {
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
}

std::uint32_t UpdateCrc32(const Crc32TableType& table, std::uint32_t crc,
                          const std::uint8_t* bytes, std::size_t count) {
  if (bytes == nullptr) return crc;
  for (std::size_t i = 0; i < count; ++i) crc = (crc >> 8) ^ table[(crc ^ bytes[i]) & 0xFF];
  return crc;
}

FastCrc32::FastCrc32(const Crc32TableType& table) {
  slices_[0] = table;
  for (std::size_t n = 0; n < 256; ++n) {
    for (std::size_t k = 1; k < 8; ++k) {
      const std::uint32_t prev = slices_[k - 1][n];
      slices_[k][n] = (prev >> 8) ^ table[prev & 0xFF];
    }
  }
}

std::uint32_t FastCrc32::Update(std::uint32_t crc, const std::uint8_t* bytes,
                                std::size_t count) const {
  if (bytes == nullptr) return crc;
  const auto& t = slices_;
  while (count >= 8) {
    // Little-endian assembly by hand keeps the result independent of the host's byte order.
    const std::uint32_t lo = crc ^ (std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 |
                                    std::uint32_t(bytes[2]) << 16 | std::uint32_t(bytes[3]) << 24);
    crc = t[7][lo & 0xFF] ^ t[6][(lo >> 8) & 0xFF] ^ t[5][(lo >> 16) & 0xFF] ^ t[4][lo >> 24] ^
          t[3][bytes[4]] ^ t[2][bytes[5]] ^ t[1][bytes[6]] ^ t[0][bytes[7]];
    bytes += 8;
    count -= 8;
  }
  while (count--) crc = (crc >> 8) ^ t[0][(crc ^ *bytes++) & 0xFF];
  return crc;
}

std::string Crc32Text(std::uint32_t value) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text(8, '0');
  for (int i = 7; i >= 0; --i, value >>= 4) text[std::size_t(i)] = kDigits[value & 0xF];
  return text;
}

}  // namespace tarifex
