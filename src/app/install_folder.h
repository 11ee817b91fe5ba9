// The folder field's rules: normalisation to the product layout and the free-space test.
#pragma once

#include <cstdint>
#include <string>

namespace tarifex {

inline constexpr std::int64_t kRequiredFreeBytes = 262144000;  // 250 MiB

// Free space of drive letter + ":\" available to the caller, and its total
// size. false with both -1 when the drive cannot be entered; 0 when the query
// fails. The process's current folder is the same afterwards.
bool GetDriveFreeSpace(const std::wstring& driveLetter, std::int64_t& freeToCaller, std::int64_t& total);

}  // namespace tarifex
