// demo-driver: drives one complete installation by itself, as a user would,
// for the demo run without a display of its own. It starts the installer,
// presses its buttons, answers its message boxes, asks the calling script for
// screenshots at the moments worth seeing, and writes what it saw to a log.
//
//   demo-driver INSTALLER.exe WORK-FOLDER
//
// A screenshot request is WORK-FOLDER\NAME.shot; the script answers by
// deleting it once the picture is taken. The log is WORK-FOLDER\driver.log
// (UTF-8). Exit code 0 when the installation finished and the product started.
#include <windows.h>

#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#include <string>

namespace {

constexpr int kLbl11 = 1006, kGauge = 1003, kClose = 1010, kInstall = 1011, kChk1 = 1008;
constexpr wchar_t kDone[] = L"Установка успешна завершена.";

std::wstring g_work;
FILE* g_log = nullptr;

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(std::size_t(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), out.data(), n, nullptr, nullptr);
  for (auto& c : out) if (c == '\r') c = ' ';
  return out;
}

void Log(const std::wstring& line) {
  std::fprintf(g_log, "%s\n", Utf8(line).c_str());
  std::fflush(g_log);
}

std::wstring Text(HWND hwnd) {
  wchar_t buffer[4096] = {};
  SendMessageTimeoutW(hwnd, WM_GETTEXT, 4096, LPARAM(buffer), SMTO_ABORTIFHUNG, 5000, nullptr);
  return buffer;
}

struct Find {
  DWORD pid;
  const wchar_t* cls;
  HWND found;
};

BOOL CALLBACK Visit(HWND hwnd, LPARAM data) {
  auto* f = reinterpret_cast<Find*>(data);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  wchar_t name[256] = {};
  GetClassNameW(hwnd, name, 256);
  if ((f->pid == 0 || pid == f->pid) && IsWindowVisible(hwnd) && lstrcmpW(name, f->cls) == 0) {
    f->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

HWND FindVisible(DWORD pid, const wchar_t* cls) {
  Find f{pid, cls, nullptr};
  EnumWindows(Visit, LPARAM(&f));
  return f.found;
}

BOOL CALLBACK VisitProduct(HWND hwnd, LPARAM data) {
  if (!IsWindowVisible(hwnd) || GetWindow(hwnd, GW_OWNER)) return TRUE;
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (!process) return TRUE;
  wchar_t path[1024] = {};
  DWORD size = 1024;
  const bool ok = QueryFullProcessImageNameW(process, 0, path, &size);
  CloseHandle(process);
  std::wstring name = ok ? std::wstring(path, size) : L"";
  name = name.substr(name.find_last_of(L'\\') + 1);
  if (lstrcmpiW(name.c_str(), L"TARIFEX.exe") != 0) return TRUE;
  *reinterpret_cast<HWND*>(data) = hwnd;
  return FALSE;
}

// A top-level window of the installed product, started through run.bat.
HWND FindProductWindow() {
  HWND found = nullptr;
  EnumWindows(VisitProduct, LPARAM(&found));
  return found;
}

void Shot(const std::wstring& name) {
  const std::wstring request = g_work + name + L".shot";
  HANDLE h = CreateFileW(request.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  for (int i = 0; i < 300 && GetFileAttributesW(request.c_str()) != INVALID_FILE_ATTRIBUTES; ++i) Sleep(100);
  Log(L"screenshot: " + name);
}

// Answers a message box of the process, logging its text. True if there was one.
bool AnswerBox(DWORD pid) {
  HWND box = FindVisible(pid, L"#32770");
  if (!box) return false;
  Log(L"message: " + Text(GetDlgItem(box, 0xFFFF)));
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  Sleep(300);
  return true;
}

// What the installation left on the user's desktop: each shortcut's target,
// arguments and working folder.
void LogShortcuts() {
  wchar_t desktop[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, desktop))) return;
  const std::wstring folder = std::wstring(desktop) + L"\\";
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileW((folder + L"*.lnk").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) {
    Log(L"shortcuts on " + folder + L": none");
    return;
  }
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  do {
    IShellLinkW* link = nullptr;
    IPersistFile* file = nullptr;
    wchar_t target[MAX_PATH] = {}, work[MAX_PATH] = {}, args[1024] = {};
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link))) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
        SUCCEEDED(file->Load((folder + entry.cFileName).c_str(), STGM_READ))) {
      link->GetPath(target, MAX_PATH, nullptr, 0);
      link->GetWorkingDirectory(work, MAX_PATH);
      link->GetArguments(args, 1024);
    }
    Log(L"shortcut: " + folder + entry.cFileName + L" -> target " + target + L", arguments \"" + args +
        L"\", working folder " + work);
    if (file) file->Release();
    if (link) link->Release();
  } while (FindNextFileW(find, &entry));
  FindClose(find);
  CoUninitialize();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return 2;
  g_work = argv[2];
  if (g_work.back() != L'\\') g_work += L'\\';
  g_log = _wfopen((g_work + L"driver.log").c_str(), L"w");
  if (!g_log) return 2;

  const std::wstring installer = argv[1];
  std::wstring folder = installer.substr(0, installer.find_last_of(L'\\') + 1);
  std::wstring command = L"\"" + installer + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(installer.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi)) {
    Log(L"cannot start the installer");
    return 1;
  }
  CloseHandle(pi.hThread);
  Log(L"started: " + installer);

  HWND window = nullptr;
  for (int i = 0; i < 600 && !(window && Text(window).find(L"версия") != std::wstring::npos); ++i) {
    window = FindVisible(pi.dwProcessId, L"TfrmMain");
    Sleep(100);
  }
  if (!window) {
    Log(L"the window did not open");
    return 1;
  }
  Sleep(1500);
  Log(L"caption: " + Text(window));
  Log(L"folder: " + Text(GetDlgItem(window, 1009)));
  Shot(L"1-start");

  Log(L"press: " + Text(GetDlgItem(window, kInstall)));
  PostMessageW(GetDlgItem(window, kInstall), BM_CLICK, 0, 0);
  bool gaugeShot = false;
  const DWORD start = GetTickCount();
  while (Text(GetDlgItem(window, kLbl11)) != kDone || !IsWindowVisible(GetDlgItem(window, kLbl11))) {
    if (GetTickCount() - start > 15 * 60 * 1000 || WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0) {
      Log(L"the installation did not finish");
      return 1;
    }
    if (AnswerBox(pi.dwProcessId)) continue;
    if (!gaugeShot && IsWindowVisible(GetDlgItem(window, kGauge))) {
      Sleep(800);
      Log(L"status: " + Text(GetDlgItem(window, 1002)) + L" " + Text(GetDlgItem(window, kGauge)));
      Shot(L"2-product-files");
      gaugeShot = true;
    }
    Sleep(100);
  }
  Log(L"result: " + Text(GetDlgItem(window, kLbl11)));
  Sleep(500);
  Shot(L"3-finished");

  // Close with the start box ticked: the installed product starts.
  const bool launch = SendMessageW(GetDlgItem(window, kChk1), BM_GETCHECK, 0, 0) == BST_CHECKED;
  Log(std::wstring(L"start box ticked: ") + (launch ? L"yes" : L"no"));
  PostMessageW(GetDlgItem(window, kClose), BM_CLICK, 0, 0);
  if (WaitForSingleObject(pi.hProcess, 30000) != WAIT_OBJECT_0) {
    Log(L"the installer did not close");
    return 1;
  }
  DWORD code = 1;
  GetExitCodeProcess(pi.hProcess, &code);
  Log(L"installer exit code: " + std::to_wstring(code));
  HWND product = nullptr;
  for (int i = 0; i < 300 && !product; ++i) {
    product = FindProductWindow();
    Sleep(100);
  }
  Log(product ? L"product window: " + Text(product) : L"product window: none");
  if (product) {
    Sleep(1000);
    Shot(L"4-product");
    PostMessageW(product, WM_CLOSE, 0, 0);
  }
  LogShortcuts();
  Log(L"done");
  return product && code == 0 ? 0 : 1;
}
