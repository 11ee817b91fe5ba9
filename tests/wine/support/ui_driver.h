// Drives the installer's window from another process, as a user would: finds
// its windows, reads control texts through WM_GETTEXT, clicks buttons and
// answers message boxes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "util/scoped_handle.h"

namespace tarifex::test {

// A started program that is ended (terminated if need be) when the owner goes.
class ChildProcess {
 public:
  ChildProcess() = default;
  // Starts "exe" args in folder; throws std::runtime_error when it cannot start.
  ChildProcess(const std::wstring& exe, const std::wstring& args, const std::wstring& folder);
  ChildProcess(ChildProcess&&) = default;
  ChildProcess& operator=(ChildProcess&&) = default;
  ~ChildProcess();
  DWORD pid() const { return pid_; }
  HANDLE handle() const { return process_.get(); }
  // Waits for the end; returns the exit code, or STILL_ACTIVE after the timeout.
  DWORD Wait(DWORD milliseconds);

 private:
  ScopedProcess process_;
  DWORD pid_ = 0;
};

// The first visible top-level window of the process with that class name
// ("#32770" for a message box), waiting up to timeout; null if none came.
HWND WaitForWindow(DWORD pid, const std::wstring& windowClass, DWORD timeoutMs);

std::wstring WindowText(HWND hwnd);

// A control of the installer's main window, by its name's position in the
// window's control list (the ids are 1000 + index).
HWND ControlOf(HWND mainWindow, int index);

// The text of a message box and the click on its OK button.
std::wstring MessageBoxText(HWND box);
void PressOk(HWND box);

// Waits until predicate() is true, handling this thread's messages meanwhile.
template <class P>
bool WaitUntil(P predicate, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (!predicate()) {
    if (GetTickCount() - start > timeoutMs) return false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    Sleep(20);
  }
  return true;
}

}  // namespace tarifex::test
