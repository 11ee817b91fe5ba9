// A registry string value that a test points somewhere else (or removes) for
// its duration; the previous value, or its absence, is put back at the end.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace tarifex::test {

// The Shell Folders key the installer reads the fonts and desktop folders from.
inline constexpr wchar_t kShellFoldersKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
// The shell rewrites Shell Folders from these whenever it resolves a folder
// (a shell link does), so a sandboxed folder must be named in both.
inline constexpr wchar_t kUserShellFoldersKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

class ScopedRegValue {
 public:
  // view: 0, KEY_WOW64_32KEY or KEY_WOW64_64KEY.
  ScopedRegValue(HKEY root, const std::wstring& key, const std::wstring& name, REGSAM view = 0);
  ~ScopedRegValue();
  ScopedRegValue(const ScopedRegValue&) = delete;
  ScopedRegValue& operator=(const ScopedRegValue&) = delete;

  // Writes a REG_SZ value, creating the key when needed.
  void Set(const std::wstring& value);
  void Remove();

 private:
  HKEY root_;
  std::wstring key_, name_;
  REGSAM view_;
  bool keyExisted_ = false;
  std::optional<std::wstring> previous_;
  DWORD previousType_ = REG_SZ;
};

// A value as text, nothing when the key or value is absent.
std::optional<std::wstring> RegText(HKEY root, const std::wstring& key, const std::wstring& name, REGSAM view = 0);

}  // namespace tarifex::test
