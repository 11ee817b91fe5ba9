#include "support/install_sandbox.h"

#include <shlobj.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <algorithm>

#include "util/scoped_handle.h"

namespace tarifex::test {
namespace {

// Programs an installation starts, which a failed test may leave running.
const wchar_t* const kStartedPrograms[] = {L"TARIFEX.exe", L"TX.exe", L"bde32.exe", L"bde64.exe",
                                           L"_INS0432._MP", L"Setup.exe"};

}  // namespace

std::wstring DemoPayload() { return DemoFile(L"txTopics.lum"); }
std::wstring DemoFile(const std::wstring& name) { return BuildDir() + L"demo\\" + name; }

std::optional<std::wstring> RegistrationValue(const std::wstring& name) {
  return RegText(HKEY_LOCAL_MACHINE, kRegistrationKey32, name, KEY_WOW64_64KEY);
}

void SetRegistrationValue(const std::wstring& name, const std::wstring& value) {
  ScopedRegKey key;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kRegistrationKey32, 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr,
                      key.receive(), nullptr) != ERROR_SUCCESS)
    return;
  RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 DWORD((value.size() + 1) * sizeof(wchar_t)));
}

std::optional<ShortcutInfo> ReadShortcut(const std::wstring& file) {
  Microsoft::WRL::ComPtr<IShellLinkW> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link))))
    return std::nullopt;
  Microsoft::WRL::ComPtr<IPersistFile> persist;
  if (FAILED(link.As(&persist)) || FAILED(persist->Load(file.c_str(), STGM_READ))) return std::nullopt;
  wchar_t text[MAX_PATH * 2] = {};
  ShortcutInfo info;
  link->GetPath(text, MAX_PATH * 2, nullptr, SLGP_RAWPATH);
  info.target = text;
  text[0] = 0;
  link->GetArguments(text, MAX_PATH * 2);
  info.arguments = text;
  text[0] = 0;
  link->GetWorkingDirectory(text, MAX_PATH * 2);
  info.workingFolder = text;
  return info;
}

std::vector<std::wstring> FileNamesIn(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW entry;
  ScopedFind find(FindFirstFileW((folder + L"*").c_str(), &entry));
  if (!find) return names;
  do {
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(entry.cFileName);
  } while (FindNextFileW(find.get(), &entry));
  std::sort(names.begin(), names.end());
  return names;
}

InstallSandbox::InstallSandbox() {
  userDesktopValue_.Set(userDesktop_.path());
  userShellDesktopValue_.Set(userDesktop_.path());
  commonDesktopValue_.Set(commonDesktop_.path());
  fontsValue_.Set(fonts_.path());
  RegDeleteKeyW(HKEY_CURRENT_USER, kEngineTraceKey);
}

InstallSandbox::~InstallSandbox() {
  EndStartedPrograms();
  RegDeleteKeyW(HKEY_CURRENT_USER, kEngineTraceKey);
}

std::optional<std::wstring> InstallSandbox::EngineTrace(const wchar_t* name) const {
  return RegText(HKEY_CURRENT_USER, kEngineTraceKey, name);
}

void InstallSandbox::EndStartedPrograms() const {
  for (const wchar_t* program : kStartedPrograms) {
    for (const std::wstring& folder : {std::wstring(L"D:\\"), media_.path(), temp_.path(), driveFolder_.path()})
      EndProcessesBelow(program, folder);
  }
}

}  // namespace tarifex::test
