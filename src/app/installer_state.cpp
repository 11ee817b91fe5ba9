#include "app/installer_state.h"

#include <windows.h>

#include "util/text_rules.h"

namespace tarifex {

InstallerState& State() {
  static InstallerState state;
  return state;
}

std::wstring OwnExecutablePath() {
  // Grow the buffer until the whole path fits: the call truncates silently.
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

std::wstring OwnFolder() { return FolderPart(OwnExecutablePath()); }

std::wstring PayloadArchivePath() { return OwnFolder() + kPayloadFileName; }

}  // namespace tarifex
