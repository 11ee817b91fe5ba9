// INI reads through the system's private-profile service.
#pragma once

#include <string>

namespace tarifex {

// The value (section and key matched without letter case), or defaultValue
// when the file, section or key is missing. Values longer than 2047
// characters arrive cut to 2047. Never fails.
std::wstring ReadIniString(const std::wstring& file, const std::wstring& section,
                           const std::wstring& key, const std::wstring& defaultValue);

}  // namespace tarifex
