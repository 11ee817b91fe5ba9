#include "ui/app_window.h"

namespace tarifex {
namespace {
HWND g_app_window = nullptr;
}  // namespace

HWND AppWindow() { return g_app_window; }
void SetAppWindow(HWND window) { g_app_window = window; }

void ProcessPendingMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // Leave the quit for the main loop, which ends the process.
      PostQuitMessage(int(msg.wParam));
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

}  // namespace tarifex
