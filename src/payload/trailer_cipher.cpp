#include "payload/trailer_cipher.h"

#include <random>

#include "util/text_rules.h"

namespace tarifex {

std::u16string TrailerKeyText(std::u16string_view fileName, std::size_t trailerLength) {
  std::u16string key;
  for (char c : std::to_string(fileName.size() + trailerLength)) key.push_back(char16_t(c));
  const std::u16string name(fileName);
  key += AsciiUpperCopy(name);
  key += AsciiLowerCopy(name);
  return key;
}

void EncipherTrailer(std::uint8_t* bytes, std::size_t count, std::string_view key) {
  if (key.empty()) return;
  for (std::size_t i = 0; i < count; ++i)
    bytes[i] = std::uint8_t(bytes[i] + static_cast<unsigned char>(key[i % key.size()]));
}

void DecipherTrailer(std::uint8_t* bytes, std::size_t count, std::string_view key) {
  if (key.empty()) return;
  for (std::size_t i = 0; i < count; ++i)
    bytes[i] = std::uint8_t(bytes[i] - static_cast<unsigned char>(key[i % key.size()]));
}

std::string BracedText(std::string_view plain) {
  const auto open = plain.find('{');
  if (open != std::string_view::npos) plain.remove_prefix(open + 1);
  const auto close = plain.find('}');
  if (close == std::string_view::npos) return {};
  return std::string(plain.substr(0, close));
}

TrailerBytes ComposePlainTrailer(std::string_view checksumText, std::uint64_t seed) {
  TrailerBytes plain{};
  std::mt19937_64 random(seed);
  const std::size_t braced = checksumText.size() + 2;
  const std::size_t start = braced >= kTrailerSize ? 0 : random() % (kTrailerSize - braced + 1);
  for (auto& b : plain) {
    do b = std::uint8_t(random()); while (b == '{');
  }
  plain[start] = '{';
  for (std::size_t i = 0; i < checksumText.size() && start + 1 + i < kTrailerSize; ++i)
    plain[start + 1 + i] = std::uint8_t(checksumText[i]);
  if (start + braced - 1 < kTrailerSize) plain[start + braced - 1] = '}';
  return plain;
}

}  // namespace tarifex
