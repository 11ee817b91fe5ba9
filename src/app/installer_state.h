// The one process-wide record of paths, product identity, versions, archive
// passwords and the CRC table. Lives for the whole process; every part of the
// installer reaches it through State(). Only the user-interface thread uses it.
#pragma once

#include <string>

#include "payload/crc32.h"

namespace tarifex {

struct InstallerState {
  std::wstring InstalledVersion;
  std::wstring NewVersion;
  std::wstring InstalledBuild;
  std::wstring NewBuild;
  std::wstring MainExeName;
  std::wstring EditionSuffix;
  std::wstring ProductKey;
  std::wstring WorkFolder;  // always ends with one backslash
  std::wstring InstallRoot;
  Crc32TableType Crc32Table{};
  std::wstring PayloadPassword;
  std::wstring EngineArchivePassword;
};

InstallerState& State();

// Build constants.
inline constexpr wchar_t kPayloadPassword[] = L"rq%7mUXA?";
inline constexpr wchar_t kEngineArchivePassword[] = L"lantern52walrus4417mogeli3093uspendakorvitan";
inline constexpr wchar_t kPayloadFileName[] = L"txTopics.lum";
inline constexpr wchar_t kMainExeName[] = L"TARIFEX.exe";
inline constexpr wchar_t kProductKey[] = L"TARIFEX";

// The installer's own executable: full path and the folder that holds it (with backslash).
std::wstring OwnExecutablePath();
std::wstring OwnFolder();

// PayloadArchive: txTopics.lum in the installer's own folder.
std::wstring PayloadArchivePath();

}  // namespace tarifex
