#include "support/ui_driver.h"

#include <stdexcept>

#include "support/harness.h"

namespace tarifex::test {

ChildProcess::ChildProcess(const std::wstring& exe, const std::wstring& args, const std::wstring& folder) {
  std::wstring commandLine = L"\"" + exe + L"\"" + (args.empty() ? L"" : L" " + args);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.empty() ? nullptr : folder.c_str(), &si, &pi))
    throw std::runtime_error("cannot start " + Utf8(exe));
  CloseHandle(pi.hThread);
  process_.reset(pi.hProcess);
  pid_ = pi.dwProcessId;
}

ChildProcess::~ChildProcess() {
  if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
    TerminateProcess(process_.get(), 1);
    WaitForSingleObject(process_.get(), 5000);
  }
}

DWORD ChildProcess::Wait(DWORD milliseconds) {
  if (WaitForSingleObject(process_.get(), milliseconds) != WAIT_OBJECT_0) return STILL_ACTIVE;
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(process_.get(), &code);
  return code;
}

namespace {

struct Search {
  DWORD pid;
  const std::wstring* windowClass;
  HWND found;
};

BOOL CALLBACK Visit(HWND hwnd, LPARAM data) {
  auto* s = reinterpret_cast<Search*>(data);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != s->pid || !IsWindowVisible(hwnd)) return TRUE;
  wchar_t name[256] = {};
  GetClassNameW(hwnd, name, 256);
  if (*s->windowClass != name) return TRUE;
  s->found = hwnd;
  return FALSE;
}

}  // namespace

HWND WaitForWindow(DWORD pid, const std::wstring& windowClass, DWORD timeoutMs) {
  Search s{pid, &windowClass, nullptr};
  WaitUntil([&] {
    EnumWindows(Visit, reinterpret_cast<LPARAM>(&s));
    return s.found != nullptr;
  }, timeoutMs);
  return s.found;
}

std::wstring WindowText(HWND hwnd) {
  wchar_t buffer[4096] = {};
  const LRESULT n = SendMessageTimeoutW(hwnd, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG,
                                        5000, nullptr);
  (void)n;
  return buffer;
}

HWND ControlOf(HWND mainWindow, int index) {
  // Controls of the component panel are its children; look there too.
  HWND direct = GetDlgItem(mainWindow, 1000 + index);
  if (direct) return direct;
  HWND panel = GetDlgItem(mainWindow, 1000 + 12);
  return panel ? GetDlgItem(panel, 1000 + index) : nullptr;
}

std::wstring MessageBoxText(HWND box) { return WindowText(GetDlgItem(box, 0xFFFF)); }

void PressOk(HWND box) { PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); }

}  // namespace tarifex::test
