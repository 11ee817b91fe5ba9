// The decision of the detection that needs no Win32: where an earlier
// installation is looked for, which install mode follows from what was found,
// and the texts the window shows for each mode.
#pragma once

#include <array>
#include <string>

namespace tarifex {

enum class InstallMode { NewInstall = 1, Replace = 2, Repair = 3 };

// Keys under HKEY_LOCAL_MACHINE; the product's own key is "SOFTWARE\LUM\" + ProductKey.
inline constexpr wchar_t kMakerKey[] = L"SOFTWARE\\LUM";
inline constexpr wchar_t kProductKeyParent[] = L"SOFTWARE\\LUM\\";
inline constexpr wchar_t kInstallPathValue[] = L"InstallPath";
inline constexpr wchar_t kProgramPathValue[] = L"ProgramPath";
inline constexpr wchar_t kInstalledVersionValue[] = L"Vers";
inline constexpr wchar_t kInstalledBuildValue[] = L"Build";

// Files of an earlier installation, joined to the path found.
inline constexpr wchar_t kInstalledVersionFile[] = L"TARIFEX\\htm\\verinfo.ini";
inline constexpr wchar_t kInstalledProgramFolder[] = L"Tarifex\\";

// The version file's section and keys, and what a missing key reads as.
inline constexpr wchar_t kVersionSection[] = L"VersionData";
inline constexpr wchar_t kVersionKey[] = L"Version";
inline constexpr wchar_t kBuildKey[] = L"Build";
inline constexpr wchar_t kMissingVersion[] = L"0";

// The proposals when no earlier installation names a folder.
inline constexpr wchar_t kDriveDRoot[] = L"D:\\";
inline constexpr wchar_t kDriveDFolder[] = L"D:\\LUM\\TARIFEX\\";
inline constexpr wchar_t kDriveDInstallRoot[] = L"D:\\LUM\\";
inline constexpr wchar_t kFallbackInstallRoot[] = L"C:\\LUM\\";

// One place an install path may be recorded, tried in order while none is found.
struct InstallPathProbe {
  std::wstring key;
  const wchar_t* valueName;
  bool createKey;
  const wchar_t* removedText;  // every occurrence cut from the value; empty: none
};

std::array<InstallPathProbe, 4> InstallPathProbes(const std::wstring& productKey);

// text with every occurrence of part removed, compared case-sensitively.
std::wstring RemoveEvery(std::wstring text, const std::wstring& part);

// Replace or Repair only when a path was found, its main executable exists
// and the versions are the same text; the builds, compared as text, pick
// between the two. Anything else is a new installation.
InstallMode DecideInstallMode(const std::wstring& path, bool mainExePresent,
                              const std::wstring& installedVersion, const std::wstring& installedBuild,
                              const std::wstring& newVersion, const std::wstring& newBuild);

// The three-line mode message and the install button's caption.
struct ModeTexts {
  std::wstring lbl_2;
  std::wstring lbl_11;
  std::wstring lbl_12;
  std::wstring btn_install;
};

ModeTexts TextsForMode(InstallMode mode, const std::wstring& editionSuffix,
                       const std::wstring& installedVersion, const std::wstring& installedBuild,
                       const std::wstring& newVersion, const std::wstring& newBuild);

}  // namespace tarifex
