#include "support/installer_media.h"

#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cwctype>
#include <stdexcept>

#include "payload/crc32.h"
#include "payload/trailer_cipher.h"
#include "support/harness.h"
#include "util/scoped_handle.h"

namespace tarifex::test {
namespace {

constexpr wchar_t kVersionedCaptionStart[] = L"Installer - «";
constexpr wchar_t kFinished[] = L"Установка успешна завершена.";
constexpr DWORD kStartTimeoutMs = 30000;

std::string AnsiBytes(const std::wstring& text) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(CP_ACP, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(std::size_t(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), int(text.size()), bytes.data(), n, nullptr, nullptr);
  return bytes;
}

std::wstring NameOf(const std::wstring& path) {
  const std::size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring Lower(std::wstring text) {
  for (auto& c : text) c = wchar_t(std::towlower(c));
  return text;
}

void ListInto(const std::wstring& base, const std::wstring& relative, std::vector<std::wstring>& out) {
  WIN32_FIND_DATAW data;
  ScopedFind find(FindFirstFileW((base + relative + L"*").c_str(), &data));
  if (!find) return;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      out.push_back(relative + name + L"\\");
      ListInto(base, relative + name + L"\\", out);
    } else {
      out.push_back(relative + name);
    }
  } while (FindNextFileW(find.get(), &data));
}

}  // namespace

std::string PayloadChecksumText(const std::wstring& file) {
  const std::string bytes = ReadFile(file);
  Crc32TableType table;
  BuildCrc32Table(table);
  const std::uint32_t crc =
      UpdateCrc32(table, kCrc32Preset, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  return Crc32Text(crc ^ 0xFFFFFFFFu);
}

void SealInstallerCopy(const std::wstring& installer, const std::wstring& sealedCopy,
                       const std::string& checksumText) {
  const std::wstring name = NameOf(sealedCopy);
  const std::u16string key = TrailerKeyText(std::u16string(name.begin(), name.end()), kTrailerSize);
  TrailerBytes trailer = ComposePlainTrailer(checksumText, 20240412);
  EncipherTrailer(trailer.data(), trailer.size(), AnsiBytes(std::wstring(key.begin(), key.end())));
  WriteFile(sealedCopy, ReadFile(installer) + std::string(trailer.begin(), trailer.end()));
}

std::wstring BuiltInstaller() { return BuildDir() + L"src\\app\\TARIFEX_Installer.exe"; }

std::wstring PrepareMedia(const std::wstring& folder, const std::wstring& payload, const std::wstring& sealedFor) {
  const std::wstring installer = folder + L"TARIFEX_Installer.exe";
  if (!CopyFileW(payload.c_str(), (folder + L"txTopics.lum").c_str(), FALSE))
    throw std::runtime_error("cannot copy the payload " + Utf8(payload));
  SealInstallerCopy(BuiltInstaller(), installer, PayloadChecksumText(sealedFor.empty() ? payload : sealedFor));
  return installer;
}

InstallerRun::InstallerRun(const std::wstring& installer, const std::wstring& arguments)
    : process_(installer, arguments, installer.substr(0, installer.find_last_of(L'\\') + 1)) {
  window_ = WaitForWindow(process_.pid(), L"TfrmMain", kStartTimeoutMs);
  if (!window_) throw std::runtime_error("the installer's window did not appear");
  // The window shows while start-up still runs; the versioned caption comes
  // last, right before the detection, which pumps no messages.
  if (!WaitUntil([&] { return WindowText(window_).rfind(kVersionedCaptionStart, 0) == 0; }, kStartTimeoutMs))
    throw std::runtime_error("the installer's first show did not end");
}

bool InstallerRun::Checked(int index) const {
  DWORD_PTR state = 0;
  SendMessageTimeoutW(control(index), BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000, &state);
  return state == BST_CHECKED;
}

void InstallerRun::Click(int index) {
  // Posted: the install command runs for long inside its handler.
  PostMessageW(control(index), BM_CLICK, 0, 0);
}

void InstallerRun::OpenComponents() {
  HWND panel = control(kPnl2);
  HDC screen = GetDC(nullptr);
  const int fullWidth = MulDiv(267, GetDeviceCaps(screen, LOGPIXELSX), 96);
  ReleaseDC(nullptr, screen);
  Click(kSb1);
  WaitUntil([&] {
    RECT r{};
    GetWindowRect(panel, &r);
    return IsWindowVisible(panel) && r.right - r.left >= fullWidth;
  }, 15000);
}

void InstallerRun::SetBox(int index, bool ticked) {
  if (Checked(index) == ticked) return;
  Click(index);
  WaitUntil([&] { return Checked(index) == ticked; }, 5000);
}

void InstallerRun::TypeFolder(const std::wstring& text) {
  HWND field = control(kDiredt1);
  PostMessageW(field, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
  PostMessageW(field, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
  WaitUntil([&] {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetWindowThreadProcessId(window_, nullptr), &info) && info.hwndFocus == field;
  }, 5000);
  SetFolderText(text);
}

void InstallerRun::SetFolderText(const std::wstring& text) {
  SendMessageTimeoutW(control(kDiredt1), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG,
                      5000, nullptr);
}

HWND InstallerRun::WaitForMessageBox(DWORD timeoutMs) { return WaitForWindow(process_.pid(), L"#32770", timeoutMs); }

void InstallerRun::Dismiss(HWND box) {
  PressOk(box);
  WaitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 10000);
}

std::wstring InstallerRun::AnswerMessage(DWORD timeoutMs) {
  HWND box = WaitForMessageBox(timeoutMs);
  if (!box) return {};
  const std::wstring text = MessageBoxText(box);
  Dismiss(box);
  return text;
}

bool InstallerRun::WaitForFinish(DWORD timeoutMs) {
  return WaitUntil([&] {
    return WaitForWindow(process_.pid(), L"#32770", 0) != nullptr || process_.Wait(0) != STILL_ACTIVE ||
           (Visible(kLbl11) && Text(kLbl11) == kFinished);
  }, timeoutMs) && Text(kLbl11) == kFinished;
}

std::vector<RunningProcess> ProcessesNamed(const std::wstring& name) {
  std::vector<RunningProcess> found;
  ScopedSnapshot snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return found;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL ok = Process32FirstW(snapshot.get(), &entry); ok; ok = Process32NextW(snapshot.get(), &entry)) {
    if (_wcsicmp(entry.szExeFile, name.c_str()) != 0) continue;
    RunningProcess p{entry.th32ProcessID, {}};
    ScopedProcess process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
    if (process) {
      wchar_t path[MAX_PATH * 2] = {};
      DWORD size = MAX_PATH * 2;
      if (QueryFullProcessImageNameW(process.get(), 0, path, &size)) p.path.assign(path, size);
    }
    found.push_back(p);
  }
  return found;
}

void EndProcessesBelow(const std::wstring& name, const std::wstring& folder) {
  const std::wstring prefix = Lower(folder);
  for (const RunningProcess& p : ProcessesNamed(name)) {
    if (Lower(p.path).rfind(prefix, 0) != 0) continue;
    ScopedProcess process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, p.pid));
    if (!process) continue;
    TerminateProcess(process.get(), 1);
    WaitForSingleObject(process.get(), 5000);
  }
}

ScopedTempVariables::ScopedTempVariables(const std::wstring& folder) {
  for (const wchar_t* name : {L"TMP", L"TEMP"}) {
    wchar_t value[1024] = {};
    saved_.push_back(GetEnvironmentVariableW(name, value, 1024) ? value : L"");
    SetEnvironmentVariableW(name, folder.c_str());
  }
}

ScopedTempVariables::~ScopedTempVariables() {
  SetEnvironmentVariableW(L"TMP", saved_[0].c_str());
  SetEnvironmentVariableW(L"TEMP", saved_[1].c_str());
}

ScopedVariable::ScopedVariable(const wchar_t* name, const wchar_t* value) : name_(name) {
  wchar_t old[1024] = {};
  const DWORD n = GetEnvironmentVariableW(name, old, 1024);
  had_ = n > 0 && n < 1024;
  if (had_) previous_.assign(old, n);
  SetEnvironmentVariableW(name, value);
}

ScopedVariable::~ScopedVariable() { SetEnvironmentVariableW(name_.c_str(), had_ ? previous_.c_str() : nullptr); }

std::vector<std::wstring> TreeListing(const std::wstring& folder) {
  std::vector<std::wstring> names;
  std::wstring base = folder;
  if (!base.empty() && base.back() != L'\\') base.push_back(L'\\');
  ListInto(base, L"", names);
  std::sort(names.begin(), names.end(), [](const std::wstring& a, const std::wstring& b) { return Lower(a) < Lower(b); });
  return names;
}

}  // namespace tarifex::test
