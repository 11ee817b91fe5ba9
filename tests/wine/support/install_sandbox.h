// Everything a complete installation touches, pointed into temporary places
// for one test: drive D:, the temporary folder the installer inherits, both
// desktops and the fonts folder (through the Shell Folders values), the
// installation's registry keys and the engine stand-in's trace. All of it is
// put back, and the programs an installation started are ended, at the end.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "support/harness.h"
#include "support/installer_media.h"
#include "support/scoped_reg_value.h"
#include "support/test_window.h"

namespace tarifex::test {

inline constexpr wchar_t kEngineTraceKey[] = L"Software\\TarifexTest\\EngineStandin";
inline constexpr wchar_t kFinishedText[] = L"Установка успешна завершена.";
inline constexpr wchar_t kShortcutName[] = L"Справочник Тарифэкс.lnk";

// Where a 64-bit process sees the installer's 32-bit view of its key.
inline constexpr wchar_t kRegistrationKey32[] = L"SOFTWARE\\Wow6432Node\\LUM\\TARIFEX";

// The demo payload of this build tree (X:\demo\txTopics.lum) and its parts.
std::wstring DemoPayload();
std::wstring DemoFile(const std::wstring& name);

// A value of the installation's key in the 32-bit view; nothing when absent.
std::optional<std::wstring> RegistrationValue(const std::wstring& name);
void SetRegistrationValue(const std::wstring& name, const std::wstring& value);

// What a shell link holds, read back through the shell (COM must be initialised).
struct ShortcutInfo {
  std::wstring target, arguments, workingFolder;
};
std::optional<ShortcutInfo> ReadShortcut(const std::wstring& file);

// Names of the files directly in a folder, sorted.
std::vector<std::wstring> FileNamesIn(const std::wstring& folder);

class InstallSandbox {
 public:
  InstallSandbox();
  ~InstallSandbox();
  InstallSandbox(const InstallSandbox&) = delete;
  InstallSandbox& operator=(const InstallSandbox&) = delete;

  const std::wstring& media() const { return media_.path(); }
  const std::wstring& temp() const { return temp_.path(); }
  // Drive D:'s folder on C:, where the files written to D:\ can be listed.
  const std::wstring& driveFolder() const { return driveFolder_.path(); }
  const std::wstring& userDesktop() const { return userDesktop_.path(); }
  const std::wstring& commonDesktop() const { return commonDesktop_.path(); }
  const std::wstring& fonts() const { return fonts_.path(); }

  // A value the engine stand-in traced; nothing when it did not.
  std::optional<std::wstring> EngineTrace(const wchar_t* name) const;

  // Ends what an installation may have started from the sandbox: the product,
  // the engine stand-in, a copied probe.
  void EndStartedPrograms() const;

 private:
  ScopedInstallationKeys keys_;
  TempDir media_, temp_, driveFolder_, userDesktop_, commonDesktop_, fonts_;
  ScopedDrive drive_{L'D', driveFolder_.path()};
  ScopedRegValue userDesktopValue_{HKEY_CURRENT_USER, kShellFoldersKey, L"Desktop"};
  ScopedRegValue userShellDesktopValue_{HKEY_CURRENT_USER, kUserShellFoldersKey, L"Desktop"};
  ScopedRegValue commonDesktopValue_{HKEY_LOCAL_MACHINE, kShellFoldersKey, L"Common Desktop", KEY_WOW64_32KEY};
  ScopedRegValue fontsValue_{HKEY_CURRENT_USER, kShellFoldersKey, L"Fonts"};
  ScopedTempVariables tempVariables_{temp_.path()};
};

}  // namespace tarifex::test
