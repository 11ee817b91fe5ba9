#include "ui/wait_dialog.h"

#include <commctrl.h>

#include "ui/event_boundary.h"
#include "ui/main_window.h"

namespace tarifex {
namespace {

constexpr UINT_PTR kTimerId = 1;
constexpr wchar_t kCaption[] = L"Запуск приложения ...";
TfrmTmp* g_tmp = nullptr;
HFONT g_font8 = nullptr, g_font10 = nullptr;

struct LabelSpec {
  int left, top, width, height;
  const wchar_t* text;
};
// lbl6, lbl1, lbl2 in declaration order; lbl2 lies below the client area.
const LabelSpec kLabels[] = {
    {19, 42, 24, 16, L"      "},
    {19, 14, 161, 22, L"Пожалуйста подождите ..."},
    {19, 76, 24, 16, L"      "},
};

}  // namespace

TfrmTmp& frmTmp() { return *g_tmp; }

TfrmTmp& TfrmTmp::Create(HINSTANCE instance, HWND owner) {
  if (g_tmp) return *g_tmp;
  WNDCLASSEXW wc{sizeof wc};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  wc.lpszClassName = kWaitDialogClass;
  RegisterClassExW(&wc);

  g_tmp = new TfrmTmp;
  TfrmTmp& self = *g_tmp;
  self.owner_ = owner;
  HDC screen = GetDC(nullptr);
  self.dpi_ = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  auto scale = [&](int v) { return MulDiv(v, self.dpi_, 96); };
  g_font8 = CreateFontW(-scale(11), 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
  g_font10 = CreateFontW(-scale(13), 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");

  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  RECT frame{0, 0, scale(192), scale(49)};
  AdjustWindowRectEx(&frame, style, FALSE, WS_EX_DLGMODALFRAME);
  self.hwnd_ = CreateWindowExW(WS_EX_DLGMODALFRAME, kWaitDialogClass, kCaption, style, 0, 0, frame.right - frame.left,
                               frame.bottom - frame.top, owner, nullptr, instance, nullptr);
  SendMessageW(self.hwnd_, WM_SETFONT, WPARAM(g_font8), FALSE);
  for (const auto& l : kLabels) {
    HWND label = CreateWindowExW(0, WC_STATICW, l.text, WS_CHILD | WS_VISIBLE | SS_LEFT, scale(l.left), scale(l.top),
                                 scale(l.width), scale(l.height), self.hwnd_, nullptr, instance, nullptr);
    SendMessageW(label, WM_SETFONT, WPARAM(g_font10), FALSE);
  }
  return self;
}

void TfrmTmp::ShowModal() {
  // Centred over the main window.
  RECT o{}, w{};
  GetWindowRect(owner_, &o);
  GetWindowRect(hwnd_, &w);
  const int width = w.right - w.left, height = w.bottom - w.top;
  SetWindowPos(hwnd_, HWND_TOP, o.left + (o.right - o.left - width) / 2, o.top + (o.bottom - o.top - height) / 2, 0, 0,
               SWP_NOSIZE);
  RunHandler([this] { FormShow(); });
  modal_ = true;
  const bool ownerWasEnabled = owner_ && !EnableWindow(owner_, FALSE);
  ShowWindow(hwnd_, SW_SHOW);
  // The owner takes no input meanwhile but keeps repainting: a local loop.
  MSG msg;
  while (modal_ && GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  if (msg.message == WM_QUIT && modal_) PostQuitMessage(int(msg.wParam));
  modal_ = false;
  if (owner_ && ownerWasEnabled) EnableWindow(owner_, TRUE);
  ShowWindow(hwnd_, SW_HIDE);
  if (owner_) SetActiveWindow(owner_);
}

void TfrmTmp::Close() {
  if (!modal_) return;
  modal_ = false;
  // Wake the modal loop if it waits for a message.
  PostMessageW(hwnd_, WM_NULL, 0, 0);
}

void TfrmTmp::FormShow() { SetTimer(hwnd_, kTimerId, kTimerInterval, nullptr); }

void TfrmTmp::tmr1Timer() {
  Close();
  KillTimer(hwnd_, kTimerId);
}

LRESULT CALLBACK TfrmTmp::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (g_tmp && g_tmp->hwnd_ == hwnd) {
    switch (message) {
      case WM_TIMER:
        if (wParam == kTimerId) RunHandler([] { g_tmp->tmr1Timer(); });
        return 0;
      case WM_CLOSE:
        g_tmp->Close();
        return 0;
      case WM_CTLCOLORSTATIC:
        SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_BTNFACE));
        SetTextColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOWTEXT));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace tarifex
