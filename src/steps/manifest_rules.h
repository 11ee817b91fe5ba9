// The payload's manifests as the installer reads them, without Win32: the
// member list resinfo.ini (encoding, lines), the names the member loop leaves
// to the category extractions, and the integer flag of a member's section.
// Shared with tarifex-pack, which checks a payload folder by the same rules.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tarifex {

enum class ManifestEncoding { Ansi, Utf8, Utf16LittleEndian, Utf16BigEndian };

struct DetectedEncoding {
  ManifestEncoding encoding;
  std::size_t byteOrderMarkLength;  // 0 for Ansi
};

// A byte-order mark at the start selects UTF-8 (EF BB BF) or UTF-16
// (FF FE little-endian, FE FF big-endian); without one the ANSI code page applies.
DetectedEncoding DetectManifestEncoding(std::string_view bytes);

// Malformed sequences become U+FFFD, one per offending byte, as the system's
// lenient conversion does; characters past U+FFFF become surrogate pairs.
std::u16string DecodeUtf8(std::string_view bytes);
// An odd last byte becomes U+FFFD.
std::u16string DecodeUtf16(std::string_view bytes, bool bigEndian);

// How the caller turns bytes of the ANSI code page into text (the system's
// conversion in the installer, a code-page table in the packaging tool).
using AnsiDecoder = std::function<std::u16string(std::string_view)>;

// The whole file as text, byte-order mark removed.
std::u16string DecodeManifestText(std::string_view bytes, const AnsiDecoder& ansi);

// CR LF, LF and CR each end a line. Every line counts, a blank one too; a
// break at the very end opens no further line, so "" gives no lines and
// "\r\n" one blank line.
std::vector<std::u16string> SplitManifestLines(std::u16string_view text);

// resinfo.ini's member names, in installation order.
std::vector<std::u16string> ReadMemberList(std::string_view bytes, const AnsiDecoder& ansi);

// Texts whose presence anywhere in the upper-cased member name makes the
// member loop leave the member out (a substring test, not an extension test).
inline constexpr std::array<std::u16string_view, 13> kSkippedNameTexts = {
    u".HTM", u".BMP", u".GIF", u".JPG", u".JPEG", u".TIF", u".RBC",
    u".DB",  u".MB",  u".XG",  u".YG",  u".FAM",  u".PX"};

// True when the member loop leaves the member out. Only ASCII letters are
// upper-cased: every skip text is ASCII.
bool IsSkippedMember(std::u16string_view memberName);

// An integer flag of a member section: decimal with an optional sign, or
// hexadecimal after "0x"/"0X"; blanks around it are allowed. True for any
// non-zero value; false for zero, an empty text, a text that is not a whole
// number, or one outside the 32-bit range (decimal: signed, hexadecimal:
// up to eight digits).
bool IniFlagIsSet(std::u16string_view value);

}  // namespace tarifex
