#include "steps/manifest_rules.h"

#include <cstdint>

#include "util/text_rules.h"

namespace tarifex {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

void AppendCodePoint(std::u16string& out, std::uint32_t cp) {
  if (cp < 0x10000) {
    out.push_back(char16_t(cp));
  } else {
    cp -= 0x10000;
    out.push_back(char16_t(0xD800 + (cp >> 10)));
    out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
  }
}

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

}  // namespace

DetectedEncoding DetectManifestEncoding(std::string_view bytes) {
  auto startsWith = [&](std::string_view mark) { return bytes.substr(0, mark.size()) == mark; };
  if (startsWith("\xEF\xBB\xBF")) return {ManifestEncoding::Utf8, 3};
  if (startsWith("\xFF\xFE")) return {ManifestEncoding::Utf16LittleEndian, 2};
  if (startsWith("\xFE\xFF")) return {ManifestEncoding::Utf16BigEndian, 2};
  return {ManifestEncoding::Ansi, 0};
}

std::u16string DecodeUtf8(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto b0 = static_cast<unsigned char>(bytes[i]);
    if (b0 < 0x80) {
      out.push_back(char16_t(b0));
      ++i;
      continue;
    }
    std::size_t length = 0;
    std::uint32_t cp = 0;
    std::uint32_t minimum = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
      length = 2, cp = b0 & 0x1F, minimum = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
      length = 3, cp = b0 & 0x0F, minimum = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
      length = 4, cp = b0 & 0x07, minimum = 0x10000;
    }
    bool valid = length > 0 && i + length <= bytes.size();
    for (std::size_t k = 1; valid && k < length; ++k) {
      const auto b = static_cast<unsigned char>(bytes[i + k]);
      valid = IsContinuation(b);
      cp = (cp << 6) | (b & 0x3F);
    }
    // Overlong forms, encoded surrogates and values past U+10FFFF are not text.
    valid = valid && cp >= minimum && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF);
    if (!valid) {
      out.push_back(kReplacement);
      ++i;
      continue;
    }
    AppendCodePoint(out, cp);
    i += length;
  }
  return out;
}

std::u16string DecodeUtf16(std::string_view bytes, bool bigEndian) {
  std::u16string out;
  out.reserve(bytes.size() / 2 + 1);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto a = static_cast<unsigned char>(bytes[i]);
    const auto b = static_cast<unsigned char>(bytes[i + 1]);
    out.push_back(bigEndian ? char16_t((a << 8) | b) : char16_t((b << 8) | a));
  }
  if (bytes.size() % 2 != 0) out.push_back(kReplacement);
  return out;
}

std::u16string DecodeManifestText(std::string_view bytes, const AnsiDecoder& ansi) {
  const DetectedEncoding detected = DetectManifestEncoding(bytes);
  const std::string_view body = bytes.substr(detected.byteOrderMarkLength);
  switch (detected.encoding) {
    case ManifestEncoding::Utf8:
      return DecodeUtf8(body);
    case ManifestEncoding::Utf16LittleEndian:
      return DecodeUtf16(body, false);
    case ManifestEncoding::Utf16BigEndian:
      return DecodeUtf16(body, true);
    case ManifestEncoding::Ansi:
      break;
  }
  return ansi(body);
}

std::vector<std::u16string> SplitManifestLines(std::u16string_view text) {
  std::vector<std::u16string> lines;
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    const char16_t c = text[i];
    if (c != u'\r' && c != u'\n') {
      ++i;
      continue;
    }
    lines.emplace_back(text.substr(start, i - start));
    i += (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ? 2 : 1;
    start = i;
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

std::vector<std::u16string> ReadMemberList(std::string_view bytes, const AnsiDecoder& ansi) {
  return SplitManifestLines(DecodeManifestText(bytes, ansi));
}

bool IsSkippedMember(std::u16string_view memberName) {
  const std::u16string upper = AsciiUpperCopy(std::u16string(memberName));
  for (const std::u16string_view text : kSkippedNameTexts) {
    if (upper.find(text) != std::u16string::npos) return true;
  }
  return false;
}

bool IniFlagIsSet(std::u16string_view value) {
  while (!value.empty() && IsBlank(value.front())) value.remove_prefix(1);
  while (!value.empty() && IsBlank(value.back())) value.remove_suffix(1);

  bool negative = false;
  if (!value.empty() && (value.front() == u'+' || value.front() == u'-')) {
    negative = value.front() == u'-';
    value.remove_prefix(1);
  }
  const bool hex = value.size() >= 2 && value[0] == u'0' && (value[1] == u'x' || value[1] == u'X');
  if (hex) value.remove_prefix(2);
  if (value.empty()) return false;

  const std::uint64_t limit = hex ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
  std::uint64_t number = 0;
  for (const char16_t c : value) {
    unsigned digit = 0;
    if (c >= u'0' && c <= u'9') {
      digit = unsigned(c - u'0');
    } else if (hex && c >= u'a' && c <= u'f') {
      digit = unsigned(c - u'a' + 10);
    } else if (hex && c >= u'A' && c <= u'F') {
      digit = unsigned(c - u'A' + 10);
    } else {
      return false;
    }
    number = number * (hex ? 16 : 10) + digit;
    if (number > limit) return false;
  }
  return number != 0;
}

}  // namespace tarifex
