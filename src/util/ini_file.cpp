#include "util/ini_file.h"

#include <windows.h>

namespace tarifex {

std::wstring ReadIniString(const std::wstring& file, const std::wstring& section,
                           const std::wstring& key, const std::wstring& defaultValue) {
  wchar_t buffer[2048] = {};
  const DWORD n = GetPrivateProfileStringW(section.c_str(), key.c_str(), defaultValue.c_str(), buffer,
                                           DWORD(std::size(buffer)), file.c_str());
  return std::wstring(buffer, n);
}

}  // namespace tarifex
