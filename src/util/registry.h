// One-value registry reads and writes, always in the 32-bit registry view, so
// the 32-bit installer and the 64-bit test build see the same keys.
#pragma once

#include <windows.h>

#include <string>

namespace tarifex {

// The value's text (REG_SZ, or REG_EXPAND_SZ unexpanded) up to its first NUL;
// empty for an absent key or value or a zero-length value. createKey creates
// the key and its missing parents first. A value of another type throws
// InstallerError("Invalid data type for '<name>'").
std::wstring ReadRegString(HKEY root, const std::wstring& key, const std::wstring& valueName,
                           bool createKey);

// Writes REG_SZ, creating the key and its parents. Throws
// InstallerError("Failed to set data for '<name>'") when the value cannot be written.
void WriteRegString(HKEY root, const std::wstring& key, const std::wstring& valueName,
                    const std::wstring& value);

}  // namespace tarifex
