// Rules of the folder field that need no Win32: bringing a typed folder into
// the product layout ROOT\LUM\TARIFEX\ and deriving the install root from it.
#pragma once

#include <string>

namespace tarifex {

inline constexpr wchar_t kLayoutEnding[] = L"LUM\\TARIFEX\\";  // 12 characters
inline constexpr wchar_t kMakerFolder[] = L"LUM\\";            // 4 characters
inline constexpr wchar_t kProductFolder[] = L"TARIFEX\\";      // 8 characters

// Blanks and control characters at both ends removed.
std::wstring TrimBlanksAndControls(const std::wstring& text);

// The field's text after leaving it: trimmed, one trailing backslash, then
// "LUM\" and/or "TARIFEX\" appended unless the text already ends with them
// (compared with only a-z upper-cased). Never shorter than 8 characters and
// always ending with "TARIFEX\" in some letter case.
std::wstring NormaliseFolderText(const std::wstring& fieldText);

// The folder without its last 8 characters (the closing "TARIFEX\"); empty
// for a shorter text.
std::wstring InstallRootOfFolder(const std::wstring& folder);

}  // namespace tarifex
