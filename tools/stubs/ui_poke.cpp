// ui-poke: presses a control of the running installer's window from outside,
// for the screenshot script. Usage: ui-poke ID (the control's id, 1000 + its
// index in the window's control list). Exits 1 when no window is found.
#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  const int id = int(std::wcstol(argv[1], nullptr, 10));
  for (int i = 0; i < 100; ++i) {
    if (HWND main = FindWindowW(L"TfrmMain", nullptr)) {
      HWND control = GetDlgItem(main, id);
      if (!control) return 1;
      // Posted: the panel's growth runs inside the installer's own loop.
      PostMessageW(control, BM_CLICK, 0, 0);
      return 0;
    }
    Sleep(100);
  }
  return 1;
}
