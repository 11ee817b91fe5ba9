// The installer trailer: the last 100 bytes of the installer's file hold the
// payload's checksum text between braces, enciphered byte-wise (Vigenere over
// 256 values) with a key made from the installer's own file name.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarifex {

inline constexpr std::size_t kTrailerSize = 100;
using TrailerBytes = std::array<std::uint8_t, kTrailerSize>;

// Key text: decimal (UTF-16 length of the name + trailer length), then the name
// with ASCII letters upper-cased, then the name with ASCII letters lower-cased.
// So a name differing only in ASCII letter case gives the same key.
std::u16string TrailerKeyText(std::u16string_view fileName, std::size_t trailerLength);

// Adds (Encipher) or subtracts (Decipher) key byte i mod K to byte i, mod 256.
// An empty key leaves the bytes as they are.
void EncipherTrailer(std::uint8_t* bytes, std::size_t count, std::string_view key);
void DecipherTrailer(std::uint8_t* bytes, std::size_t count, std::string_view key);

// The text after the first "{" (the whole text when there is none), up to the
// first "}" after it; empty when no "}" follows.
std::string BracedText(std::string_view plain);

// 100 plain bytes: free filler, "{", the checksum text, "}", free filler.
// No "{" comes before the brace; the filler varies with the seed.
TrailerBytes ComposePlainTrailer(std::string_view checksumText, std::uint64_t seed);

}  // namespace tarifex
