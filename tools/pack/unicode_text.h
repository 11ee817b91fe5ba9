// UTF-8 (command line, file names on Linux, terminal) to UTF-16 (what the
// installer counts and converts on Windows) and back.
#pragma once

#include <string>
#include <string_view>

namespace tarifex::pack {

// Throws std::invalid_argument on malformed UTF-8: truncated or stray
// continuation bytes, overlong forms, encoded surrogates, values past U+10FFFF.
// Characters past U+FFFF become surrogate pairs, two code units, as on Windows.
std::u16string Utf8ToUtf16(std::string_view text);

// Lone surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

}  // namespace tarifex::pack
