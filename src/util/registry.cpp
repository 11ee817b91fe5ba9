#include "util/registry.h"

#include <vector>

#include "util/installer_error.h"
#include "util/scoped_handle.h"

namespace tarifex {
namespace {

// Full access in the 32-bit view: where the 32-bit installer lands on 64-bit Windows.
constexpr REGSAM kAccess = KEY_ALL_ACCESS | KEY_WOW64_32KEY;

}  // namespace

std::wstring ReadRegString(HKEY root, const std::wstring& key, const std::wstring& valueName,
                           bool createKey) {
  ScopedRegKey handle;
  // Whether the key could be opened is not an error: an absent key reads as empty.
  if (createKey) {
    RegCreateKeyExW(root, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, kAccess, nullptr,
                    handle.receive(), nullptr);
  } else {
    RegOpenKeyExW(root, key.c_str(), 0, kAccess, handle.receive());
  }
  if (!handle) return {};

  DWORD type = 0, size = 0;
  if (RegQueryValueExW(handle.get(), valueName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      size == 0)
    return {};
  if (type != REG_SZ && type != REG_EXPAND_SZ)
    throw InstallerError(L"Invalid data type for '" + valueName + L"'");

  // One spare unit, so data without its terminating NUL still ends in one.
  std::vector<wchar_t> data(size / sizeof(wchar_t) + 2, L'\0');
  DWORD got = DWORD((data.size() - 1) * sizeof(wchar_t));
  if (RegQueryValueExW(handle.get(), valueName.c_str(), nullptr, &type,
                       reinterpret_cast<BYTE*>(data.data()), &got) != ERROR_SUCCESS)
    return {};
  return std::wstring(data.data());
}

void WriteRegString(HKEY root, const std::wstring& key, const std::wstring& valueName,
                    const std::wstring& value) {
  ScopedRegKey handle;
  RegCreateKeyExW(root, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, kAccess, nullptr,
                  handle.receive(), nullptr);
  const DWORD bytes = DWORD((value.size() + 1) * sizeof(wchar_t));
  if (!handle || RegSetValueExW(handle.get(), valueName.c_str(), 0, REG_SZ,
                                reinterpret_cast<const BYTE*>(value.c_str()), bytes) != ERROR_SUCCESS)
    throw InstallerError(L"Failed to set data for '" + valueName + L"'");
}

}  // namespace tarifex
