// A stand-in for the product, installed by the demo payload: one window that
// says which version and build it was made as, and shows that its two
// libraries were installed beside it under the names the manifest gives.
#include <windows.h>

#include <string>

#include "txcore.h"

namespace {

constexpr wchar_t kWindowClass[] = L"TarifexDemo";

std::wstring Description() {
  std::wstring text = L"Тарифэкс — демонстрационная версия\r\n\r\nВерсия " TARIFEX_DEMO_VERSION
                      L", сборка " TARIFEX_DEMO_BUILD L"\r\n\r\n";
  text += L"txcore.dll: ";
  text += TxCoreDescription();
  text += L"\r\ntxprint.dll: ";
  // Installed from the member txprint_v2.dll under the name the manifest gives it.
  if (HMODULE print = LoadLibraryW(L"txprint.dll")) {
    using Describe = const wchar_t* (*)();
    auto describe = reinterpret_cast<Describe>(reinterpret_cast<void*>(GetProcAddress(print, "TxPrintDescription")));
    text += describe ? describe() : L"без описания";
  } else {
    text += L"не найдена";
  }
  return text;
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
  switch (message) {
    case WM_CREATE: {
      HWND label = CreateWindowExW(0, L"STATIC", Description().c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT, 16, 16, 440,
                                   160, hwnd, nullptr, nullptr, nullptr);
      SendMessageW(label, WM_SETFONT, WPARAM(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(hwnd, message, wp, lp);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = HBRUSH(COLOR_BTNFACE + 1);
  wc.lpszClassName = kWindowClass;
  RegisterClassW(&wc);
  HWND hwnd = CreateWindowExW(0, kWindowClass, L"Тарифэкс " TARIFEX_DEMO_VERSION, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                              CW_USEDEFAULT, 490, 240, nullptr, nullptr, instance, nullptr);
  ShowWindow(hwnd, show);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return int(msg.wParam);
}
