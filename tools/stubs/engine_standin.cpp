// Stand-in for the database engine's setup program, carried as bde32.exe or
// bde64.exe in the engine archives of test builds. It behaves like the real
// one as far as the installer can see:
//   - a window the user finishes with "Готово";
//   - a second process under the other watched name of its variant, living
//     until the first one ends: bde64.exe starts "Setup.exe", bde32.exe starts
//     "_INS0432._MP" (a copy of itself in %TEMP%\TarifexEngineStandin\<pid>\);
//     under any other name no second process is started;
//   - a trace in HKCU\Software\TarifexTest\EngineStandin (REG_SZ values):
//       Started           own file name, written at start
//       CommandLine       the command line as received
//       CurrentDirectory  the current directory at start (with backslash)
//       StartupShow       "flags=N show=N" from the startup information
//       Helper            the second process's file name, written by it at start
//       Installed         own file name, written when finished
//       InstalledAt       local time of the finish, "YYYY-MM-DD hh:mm:ss.mmm"
// Switches: /autofinish=MS finishes by itself after MS milliseconds, as does
// the environment variable TARIFEX_ENGINE_AUTOFINISH=MS (for callers that pass
// no parameters). /helper=HANDLE is the second process's role (internal).
#include <windows.h>

#include <cstdint>
#include <cwchar>
#include <cwctype>
#include <string>

namespace {

constexpr wchar_t kTraceKey[] = L"Software\\TarifexTest\\EngineStandin";
constexpr wchar_t kWindowClass[] = L"TarifexEngineStandin";
constexpr wchar_t kAutofinishSwitch[] = L"/autofinish=";
constexpr wchar_t kHelperSwitch[] = L"/helper=";
constexpr wchar_t kAutofinishVariable[] = L"TARIFEX_ENGINE_AUTOFINISH";
constexpr UINT_PTR kAutofinishTimer = 1;
constexpr int kFinishButton = 100;

std::wstring OwnPath() {
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

std::wstring NameOf(const std::wstring& path) {
  const std::size_t slash = path.find_last_of(L"\\/:");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring Lower(std::wstring s) {
  for (auto& c : s) c = wchar_t(std::towlower(c));
  return s;
}

void Trace(const wchar_t* name, const std::wstring& value) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kTraceKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return;
  RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 DWORD((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
}

// The text after a switch anywhere in the command line, up to the next blank.
bool SwitchValue(const std::wstring& commandLine, const wchar_t* name, std::wstring& value) {
  const std::size_t at = Lower(commandLine).find(name);
  if (at == std::wstring::npos) return false;
  const std::size_t start = at + std::wcslen(name);
  const std::size_t end = commandLine.find_first_of(L" \t\"", start);
  value = commandLine.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
  return true;
}

// The other watched process name of the variant this copy is running as.
std::wstring HelperNameFor(const std::wstring& ownName) {
  const std::wstring name = Lower(ownName);
  if (name == L"bde64.exe") return L"Setup.exe";
  if (name == L"bde32.exe") return L"_INS0432._MP";
  return {};
}

std::wstring TempFolder() {
  wchar_t buffer[MAX_PATH + 2] = {};
  const DWORD n = GetTempPathW(MAX_PATH + 1, buffer);
  return n ? std::wstring(buffer, n) : std::wstring(L".\\");
}

// Copies this program under the helper's name and starts it with an
// inheritable handle of this process, on which the helper waits.
void StartHelper(const std::wstring& helperName) {
  const std::wstring base = TempFolder() + L"TarifexEngineStandin\\";
  CreateDirectoryW(base.c_str(), nullptr);
  // A folder per process: a helper still running from an earlier start keeps
  // its file locked.
  const std::wstring folder = base + std::to_wstring(GetCurrentProcessId()) + L"\\";
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring helper = folder + helperName;
  if (!CopyFileW(OwnPath().c_str(), helper.c_str(), FALSE)) return;

  HANDLE self = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self,
                       SYNCHRONIZE, TRUE, 0))
    return;
  std::wstring commandLine = L"\"" + helper + L"\" " + kHelperSwitch +
                             std::to_wstring(reinterpret_cast<std::uintptr_t>(self));
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (CreateProcessW(helper.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                     folder.c_str(), &startup, &info)) {
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
  }
  CloseHandle(self);
}

int RunHelper(const std::wstring& handleText) {
  Trace(L"Helper", NameOf(OwnPath()));
  const auto value = static_cast<std::uintptr_t>(std::wcstoull(handleText.c_str(), nullptr, 10));
  HANDLE parent = reinterpret_cast<HANDLE>(value);
  if (parent) {
    WaitForSingleObject(parent, INFINITE);
    CloseHandle(parent);
  }
  return 0;
}

std::wstring LocalTimeText() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  wchar_t text[32];
  std::swprintf(text, 32, L"%04u-%02u-%02u %02u:%02u:%02u.%03u", t.wYear, t.wMonth, t.wDay,
                t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
  return text;
}

void Finish(HWND window) {
  const std::wstring name = NameOf(OwnPath());
  Trace(L"InstalledAt", LocalTimeText());
  Trace(L"Installed", name);
  DestroyWindow(window);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wParam) == kFinishButton) Finish(window);
      return 0;
    case WM_TIMER:
      if (wParam == kAutofinishTimer) {
        KillTimer(window, kAutofinishTimer);
        Finish(window);
      }
      return 0;
    case WM_CLOSE:
      // Closing without finishing leaves no "Installed" trace, as a cancelled setup would.
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  const std::wstring commandLine = GetCommandLineW();
  std::wstring value;
  if (SwitchValue(commandLine, kHelperSwitch, value)) return RunHelper(value);

  const std::wstring ownName = NameOf(OwnPath());
  Trace(L"Started", ownName);
  Trace(L"CommandLine", commandLine);
  {
    wchar_t folder[MAX_PATH + 2] = {};
    const DWORD n = GetCurrentDirectoryW(MAX_PATH + 1, folder);
    std::wstring text(folder, n);
    if (!text.empty() && text.back() != L'\\') text.push_back(L'\\');
    Trace(L"CurrentDirectory", text);
  }
  {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    GetStartupInfoW(&startup);
    Trace(L"StartupShow", L"flags=" + std::to_wstring(startup.dwFlags) +
                              L" show=" + std::to_wstring(startup.wShowWindow));
  }

  long autofinish = -1;
  if (SwitchValue(commandLine, kAutofinishSwitch, value)) {
    autofinish = std::wcstol(value.c_str(), nullptr, 10);
  } else {
    wchar_t variable[32] = {};
    if (GetEnvironmentVariableW(kAutofinishVariable, variable, 32) > 0)
      autofinish = std::wcstol(variable, nullptr, 10);
  }

  const std::wstring helperName = HelperNameFor(ownName);
  if (!helperName.empty()) StartHelper(helperName);

  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512) /* IDC_ARROW */);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kWindowClass;
  RegisterClassW(&windowClass);

  HWND window = CreateWindowExW(0, kWindowClass, L"Borland Database Engine Setup (stand-in)",
                                WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT,
                                CW_USEDEFAULT, 420, 180, nullptr, nullptr, instance, nullptr);
  if (!window) return 1;
  CreateWindowExW(0, L"STATIC", (L"Установка " + ownName + L" завершена.").c_str(),
                  WS_CHILD | WS_VISIBLE, 20, 20, 370, 40, window, nullptr, instance, nullptr);
  CreateWindowExW(0, L"BUTTON", L"Готово", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                  290, 90, 100, 30, window, reinterpret_cast<HMENU>(INT_PTR(kFinishButton)),
                  instance, nullptr);
  ShowWindow(window, showCommand);
  UpdateWindow(window);
  if (autofinish >= 0) SetTimer(window, kAutofinishTimer, UINT(autofinish > 0 ? autofinish : 1), nullptr);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (IsDialogMessageW(window, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
