// Program entry: COM for the user-interface thread (shell links, folder
// dialog, autocompletion), the main window with its creation handler, the
// hidden wait dialog, and the message loop until the main window closes.
#include <objbase.h>
#include <windows.h>

#include "ui/main_window.h"
#include "ui/wait_dialog.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  OleInitialize(nullptr);
  tarifex::TfrmMain& main = tarifex::TfrmMain::Create(instance);
  tarifex::TfrmTmp::Create(instance, main.hwnd());
  main.Show(showCommand == SW_HIDE ? SW_SHOWNORMAL : showCommand);

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    // Tab and arrow keys between the controls, as in a dialog.
    if (IsDialogMessageW(main.hwnd(), &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  OleUninitialize();
  return 0;
}
