// Single-byte ANSI code pages for code that runs off Windows (the packaging
// tool and host tests). On Windows the installer asks the system instead.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarifex {

class SingleByteCodePage {
 public:
  // 1251 (Cyrillic) and 1252 (Western); nullopt for any other number.
  static std::optional<SingleByteCodePage> Get(int number);

  // Characters the code page lacks become "?", as the system's conversion does.
  std::string Encode(std::u16string_view text) const;
  std::u16string Decode(std::string_view bytes) const;
  int number() const { return number_; }

 private:
  SingleByteCodePage(int number, const char16_t* upper) : number_(number), upper_(upper) {}
  int number_;
  const char16_t* upper_;  // code points of the bytes 0x80..0xFF
};

}  // namespace tarifex
