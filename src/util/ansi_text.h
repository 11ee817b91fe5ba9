// Conversions between the installer's UTF-16 texts and the system's ANSI code
// page, for the files and records that are kept in it (trailer key, run.bat,
// manifests without a byte-order mark).
#pragma once

#include <string>
#include <string_view>

namespace tarifex {

std::string ToAnsi(std::wstring_view text);
std::wstring FromAnsi(std::string_view bytes);

}  // namespace tarifex
