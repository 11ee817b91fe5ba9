// The application's main window, owner of message boxes and shell calls.
// Null until the window exists (and in tests that have none).
#pragma once

#include <windows.h>

namespace tarifex {

HWND AppWindow();
void SetAppWindow(HWND window);

// Lets the window's message loop handle every message waiting at this moment.
void ProcessPendingMessages();

}  // namespace tarifex
