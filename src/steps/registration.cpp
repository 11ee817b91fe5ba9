#include "steps/registration.h"

#include <windows.h>

#include <shlobj.h>
#include <shobjidl.h>

#include "app/installer_state.h"
#include "payload/archiver.h"
#include "payload/resources.h"
#include "util/installer_error.h"
#include "util/registry.h"
#include "util/text_rules.h"

namespace tarifex {
namespace {

constexpr wchar_t kProductsKey[] = L"SOFTWARE\\LUM\\";
constexpr wchar_t kShellFoldersKey[] = L"Software\\MicroSoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr wchar_t kCommonDesktopValue[] = L"Common Desktop";
constexpr wchar_t kUserDesktopValue[] = L"Desktop";

constexpr wchar_t kOldShortcut[] = L"Справочник ТАРИФЭКС.lnk";
constexpr wchar_t kNetworkShortcut[] = L"Справочник Тарифэкс (Сетевая версия).lnk";
constexpr wchar_t kShortcut[] = L"Справочник Тарифэкс.lnk";

constexpr wchar_t kProductFolder[] = L"Tarifex\\";
constexpr wchar_t kProductFolderNoSlash[] = L"tarifex";
constexpr wchar_t kVersionFile[] = L"verinfo.ini";
constexpr wchar_t kManifestFile[] = L"resinfo.ini";
constexpr wchar_t kArchiverInWorkFolder[] = L"sz.exe";
constexpr wchar_t kModifiedPayload[] = L"txTopics_mod.lum";

struct PlacedTool {
  const wchar_t* resource;
  const wchar_t* file;
};
constexpr PlacedTool kPlacedTools[] = {
    {L"sz", L"7z.exe"},
    {L"7zdll", L"7z.dll"},
    {L"7zipdll", L"7-zip.dll"},
    {L"wget", L"wget.exe"},
};

// The desktop folder a Shell Folders value names, with its backslash; empty
// when the value cannot be read (it would otherwise address the drive root).
std::wstring DesktopFolder(HKEY root, const wchar_t* valueName) {
  const std::wstring folder = ReadRegString(root, kShellFoldersKey, valueName, false);
  return folder.empty() ? folder : EnsureTrailingBackslash(folder);
}

void DeleteOldShortcuts(const std::wstring& desktop) {
  DeleteFileW((desktop + kOldShortcut).c_str());
  DeleteFileW((desktop + kNetworkShortcut).c_str());
}

}  // namespace

void RegisterInstallation() {
  const InstallerState& state = State();
  const std::wstring key = kProductsKey + state.ProductKey;
  WriteRegString(HKEY_LOCAL_MACHINE, key, L"InstallPath", state.InstallRoot);
  WriteRegString(HKEY_LOCAL_MACHINE, key, L"Vers", state.NewVersion);
  WriteRegString(HKEY_LOCAL_MACHINE, key, L"Build", state.NewBuild);
}

void ReplaceDesktopShortcut() {
  const InstallerState& state = State();
  const std::wstring common = DesktopFolder(HKEY_LOCAL_MACHINE, kCommonDesktopValue);
  if (!common.empty()) DeleteOldShortcuts(common);

  const std::wstring desktop = DesktopFolder(HKEY_CURRENT_USER, kUserDesktopValue);
  if (desktop.empty()) return;
  DeleteOldShortcuts(desktop);
  const std::wstring link = desktop + (state.EditionSuffix.empty() ? kShortcut : kNetworkShortcut);
  const Microsoft::WRL::ComPtr<IPersistFile> saved =
      CreateShortcut(state.InstallRoot + kProductFolder + state.MainExeName, L"",
                     state.InstallRoot + kProductFolderNoSlash, link);
}

Microsoft::WRL::ComPtr<IPersistFile> CreateShortcut(const std::wstring& target, const std::wstring& arguments,
                                                    const std::wstring& workingFolder,
                                                    const std::wstring& linkFile) {
  Microsoft::WRL::ComPtr<IShellLinkW> link;
  HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link));
  if (FAILED(hr)) throw InstallerError(SystemErrorText(DWORD(hr)));
  Microsoft::WRL::ComPtr<IPersistFile> file;
  hr = link.As(&file);
  if (FAILED(hr)) throw InstallerError(SystemErrorText(DWORD(hr)));

  // The results are not examined: a link that cannot be saved is simply
  // missing afterwards.
  link->SetPath(target.c_str());
  link->SetArguments(arguments.c_str());
  link->SetWorkingDirectory(workingFolder.c_str());
  file->Save(linkFile.c_str(), TRUE);
  return file;
}

void FinishAndCleanUp() {
  const InstallerState& state = State();
  ExtractFromPayload(PayloadArchivePath(), kVersionFile, state.InstallRoot + kProductFolderNoSlash,
                     state.PayloadPassword);

  const std::wstring productFolder = state.InstallRoot + kProductFolder;
  for (const PlacedTool& tool : kPlacedTools) SaveResourceToFile(tool.resource, productFolder + tool.file);

  for (const std::wstring& file : {state.WorkFolder + state.MainExeName, state.WorkFolder + kVersionFile,
                                   state.WorkFolder + kManifestFile, state.WorkFolder + kArchiverInWorkFolder,
                                   productFolder + kModifiedPayload})
    DeleteFileW(file.c_str());
}

}  // namespace tarifex
