#include "ui/main_window.h"

#include <commctrl.h>
#include <objidl.h>

#include <gdiplus.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <algorithm>
#include <memory>

#include "ui/app_window.h"
#include "ui/controls.h"
#include "ui/event_boundary.h"
#include "ui/folder_edit.h"
#include "ui/message_box.h"

namespace tarifex {
namespace {

constexpr int kClientWidth = 406;
constexpr int kClientHeight = 525;
constexpr COLORREF kSkyBlue = RGB(166, 202, 240);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr int kFirstControlId = 1000;
constexpr wchar_t kCreationCaption[] = L"LUM Tessaron - Кордекс";
constexpr wchar_t kCannotInterrupt[] = L"Нельзя прерывать процесс установки.\rПодождите";
constexpr wchar_t kBackgroundResource[] = L"IMG1";

enum class Font { Window, Bold11, BoldUnderline11, Regular12, BoldUnderline12, Regular13 };

struct ControlDesign {
  Control id;
  const wchar_t* windowClass;
  bool inPanel;
  int left, top, width, height;
  const wchar_t* text;
  Font font;
  COLORREF color;  // CLR_DEFAULT: the system's window-text colour
  DWORD style;
  DWORD exStyle;
};

// Creation order; positions and sizes at 96 pixels per inch.
const ControlDesign kControls[] = {
    {Control::img1, kPictureClass, false, 0, 0, 407, 397, L"", Font::Window, CLR_DEFAULT, WS_VISIBLE, 0},
    {Control::lbljvlbl6, kTransparentLabelClass, false, 8, 466, 98, 13, L"Путь установки:", Font::Bold11, kBlack, WS_VISIBLE, 0},
    {Control::lbl_1, WC_STATICW, false, 118, 409, 283, 47, L"", Font::Window, CLR_DEFAULT, WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0},
    {Control::g1, kGaugeClass, false, 8, 493, 206, 20, L"", Font::Window, CLR_DEFAULT, 0, 0},
    {Control::sb1, kFlatButtonClass, false, 10, 416, 93, 34, L"Компоненты", Font::BoldUnderline11, kBlue, WS_VISIBLE | kSpeedButton, 0},
    {Control::lbl_2, WC_STATICW, false, 113, 403, 261, 16, L"Мастер установки произведет ", Font::Regular12, kBlack, WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0},
    {Control::lbl_11, WC_STATICW, false, 114, 421, 261, 16, L"новую установку ", Font::BoldUnderline12, kBlack, WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0},
    {Control::lbl_12, WC_STATICW, false, 112, 439, 263, 17, L"\"Кордекс\" на Ваш компьютер.", Font::Regular12, kBlack, WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0},
    {Control::chk1, WC_BUTTONW, false, 48, 490, 169, 26, L"Запустить установленную программу", Font::Window, kBlack, BS_AUTOCHECKBOX | BS_MULTILINE | WS_TABSTOP, 0},
    {Control::Diredt1, WC_EDITW, false, 112, 462, 286, 21, L"", Font::Window, CLR_DEFAULT, WS_VISIBLE | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE},
    {Control::btnClose, kFlatButtonClass, false, 227, 490, 80, 25, L"Закрыть", Font::Window, CLR_DEFAULT, WS_VISIBLE | WS_TABSTOP, 0},
    {Control::btn_install, kFlatButtonClass, false, 313, 489, 80, 25, L"Установить", Font::Window, CLR_DEFAULT, WS_VISIBLE | WS_TABSTOP | kHighlight, 0},
    {Control::pnl2, kPanelClass, false, 11, 326, 266, 89, L"", Font::Window, CLR_DEFAULT, WS_TABSTOP, WS_EX_CONTROLPARENT},
    {Control::lbl_lbl3, WC_STATICW, true, 16, 11, 224, 16, L"Выберите компоненты для установки.", Font::Regular13, CLR_DEFAULT, WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0},
    {Control::chkBDE, WC_BUTTONW, true, 40, 33, 42, 21, L"BDE", Font::Regular12, CLR_DEFAULT, WS_VISIBLE | WS_DISABLED | BS_AUTOCHECKBOX | WS_TABSTOP, 0},
    {Control::chk_exe, WC_BUTTONW, true, 40, 60, 193, 17, L"Тарифэкс", Font::Regular12, CLR_DEFAULT, WS_VISIBLE | BS_AUTOCHECKBOX | WS_TABSTOP, 0},
};

// Bottom to top: windowless controls of the design first, in creation order,
// then the windowed ones, so the tab order runs btn_install, btnClose, chk1, pnl2.
const Control kZOrderBottomToTop[] = {
    Control::img1, Control::lbljvlbl6, Control::lbl_1, Control::g1, Control::sb1, Control::lbl_2,
    Control::lbl_11, Control::lbl_12, Control::pnl2, Control::Diredt1, Control::chk1, Control::btnClose,
    Control::btn_install};

struct DesignRect {
  int left, top, width, height;
};

struct WindowResources {
  HFONT fonts[6] = {};
  HBRUSH skyBrush = nullptr;
  IStream* backgroundStream = nullptr;  // GDI+ reads a stream's picture lazily: kept for the process
  std::unique_ptr<Gdiplus::Bitmap> background;
  DesignRect design[16] = {};
  COLORREF colors[16] = {};
};

TfrmMain* g_main = nullptr;
WindowResources g_res;

std::size_t Index(Control c) { return std::size_t(c); }

void StartGdiplus() {
  static ULONG_PTR token = 0;
  if (token) return;
  Gdiplus::GdiplusStartupInput input;
  Gdiplus::GdiplusStartup(&token, &input, nullptr);
}

std::unique_ptr<Gdiplus::Bitmap> LoadJpegResource(HINSTANCE instance, const wchar_t* name, IStream*& stream) {
  HRSRC found = FindResourceW(instance, name, MAKEINTRESOURCEW(10));
  if (!found) return nullptr;
  HGLOBAL loaded = LoadResource(instance, found);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  const DWORD size = SizeofResource(instance, found);
  if (!data || !size) return nullptr;
  stream = SHCreateMemStream(static_cast<const BYTE*>(data), size);
  if (!stream) return nullptr;
  std::unique_ptr<Gdiplus::Bitmap> bitmap(Gdiplus::Bitmap::FromStream(stream));
  if (bitmap && bitmap->GetLastStatus() != Gdiplus::Ok) bitmap.reset();
  return bitmap;
}

int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

HFONT MakeFont(int dpi, int pixels, bool bold, bool underline) {
  return CreateFontW(-MulDiv(pixels, dpi, 96), 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, underline, FALSE,
                     DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     DEFAULT_PITCH | FF_DONTCARE, L"Tahoma");
}

}  // namespace

TfrmMain& frmMain() { return *g_main; }

TfrmMain& TfrmMain::Create(HINSTANCE instance) {
  if (g_main) return *g_main;
  StartGdiplus();
  RegisterControlClasses(instance);
  g_res.skyBrush = CreateSolidBrush(kSkyBlue);

  WNDCLASSEXW wc{sizeof wc};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconW(instance, L"MAINICON");
  wc.hIconSm = static_cast<HICON>(LoadImageW(instance, L"MAINICON", IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                             GetSystemMetrics(SM_CYSMICON), 0));
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = g_res.skyBrush;
  wc.lpszClassName = kMainWindowClass;
  RegisterClassExW(&wc);

  g_main = new TfrmMain;
  TfrmMain& self = *g_main;
  self.dpi_ = ScreenDpi();
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  RECT frame{0, 0, self.Scale(kClientWidth), self.Scale(kClientHeight)};
  AdjustWindowRectEx(&frame, style, FALSE, WS_EX_APPWINDOW);
  self.hwnd_ = CreateWindowExW(WS_EX_APPWINDOW | WS_EX_CONTROLPARENT, kMainWindowClass, kCreationCaption, style,
                               CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top,
                               nullptr, nullptr, instance, nullptr);
  SetAppWindow(self.hwnd_);
  self.CreateControls();
  RunHandler([&] { self.FormCreate(); });
  return self;
}

void TfrmMain::CreateControls() {
  const HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(hwnd_, GWLP_HINSTANCE));
  g_res.fonts[int(Font::Window)] = MakeFont(dpi_, 11, false, false);
  g_res.fonts[int(Font::Bold11)] = MakeFont(dpi_, 11, true, false);
  g_res.fonts[int(Font::BoldUnderline11)] = MakeFont(dpi_, 11, true, true);
  g_res.fonts[int(Font::Regular12)] = MakeFont(dpi_, 12, false, false);
  g_res.fonts[int(Font::BoldUnderline12)] = MakeFont(dpi_, 12, true, true);
  g_res.fonts[int(Font::Regular13)] = MakeFont(dpi_, 13, false, false);
  SendMessageW(hwnd_, WM_SETFONT, WPARAM(g_res.fonts[int(Font::Window)]), FALSE);

  for (const auto& design : kControls) {
    const std::size_t i = Index(design.id);
    HWND parent = design.inPanel ? controls_[Index(Control::pnl2)] : hwnd_;
    g_res.design[i] = {design.left, design.top, design.width, design.height};
    g_res.colors[i] = design.color == CLR_DEFAULT ? GetSysColor(COLOR_WINDOWTEXT) : design.color;
    HWND control = CreateWindowExW(design.exStyle, design.windowClass, design.text, WS_CHILD | WS_CLIPSIBLINGS | design.style,
                                   Scale(design.left), Scale(design.top), Scale(design.width), Scale(design.height), parent,
                                   reinterpret_cast<HMENU>(INT_PTR(kFirstControlId + int(i))), instance, nullptr);
    controls_[i] = control;
    SendMessageW(control, WM_SETFONT, WPARAM(g_res.fonts[int(design.font)]), FALSE);
    SetPropW(control, L"textColor", reinterpret_cast<HANDLE>(std::uintptr_t(g_res.colors[i])));
  }
  for (Control c : kZOrderBottomToTop)
    SetWindowPos(Handle(c), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

  SetChecked(Control::chk1, true);
  SetChecked(Control::chkBDE, true);
  SetChecked(Control::chk_exe, true);

  // The two auto-sized labels take their text's size; a font wider than the
  // design's widens them rather than wrapping the words out of sight.
  FitLabelToText(Control::lbljvlbl6, int(Font::Bold11), 104);
  FitLabelToText(Control::lbl_lbl3, int(Font::Regular13), 250);

  g_res.background = LoadJpegResource(instance, kBackgroundResource, g_res.backgroundStream);
  if (g_res.background)
    SendMessageW(Handle(Control::img1), kPictureSetImage, 0, reinterpret_cast<LPARAM>(g_res.background.get()));

  AttachFolderEdit(Handle(Control::Diredt1), Scale(19));
}

void TfrmMain::FitLabelToText(Control c, int font, int maxDesignWidth) {
  HWND label = Handle(c);
  HDC dc = GetDC(label);
  HGDIOBJ old = SelectObject(dc, g_res.fonts[font]);
  const std::wstring text = Text(c);
  RECT line{0, 0, 0, 0};
  DrawTextW(dc, text.c_str(), -1, &line, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  RECT wrapped{0, 0, std::min<LONG>(line.right, Scale(maxDesignWidth)), 0};
  DrawTextW(dc, text.c_str(), -1, &wrapped, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  SelectObject(dc, old);
  ReleaseDC(label, dc);
  SetWindowPos(label, nullptr, 0, 0, wrapped.right, wrapped.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TfrmMain::Show(int showCommand) {
  if (!shown_) {
    shown_ = true;
    // Centred on the desktop at the first show.
    RECT work{}, window{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    GetWindowRect(hwnd_, &window);
    const int w = window.right - window.left, h = window.bottom - window.top;
    SetWindowPos(hwnd_, nullptr, work.left + (work.right - work.left - w) / 2,
                 work.top + (work.bottom - work.top - h) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    // As a desktop toolkit does: the show handler runs before the window appears.
    RunHandler([this] { FormShow(); });
  }
  ShowWindow(hwnd_, showCommand);
  UpdateWindow(hwnd_);
}

HWND TfrmMain::Handle(Control c) const { return controls_[Index(c)]; }

std::wstring TfrmMain::Text(Control c) const {
  HWND h = Handle(c);
  const int n = GetWindowTextLengthW(h);
  std::wstring text(std::size_t(n) + 1, L'\0');
  text.resize(std::size_t(GetWindowTextW(h, text.data(), n + 1)));
  return text;
}

void TfrmMain::SetText(Control c, const std::wstring& text) {
  SetWindowTextW(Handle(c), text.c_str());
  // Labels paint their parent's colour behind the text: repaint the whole area.
  InvalidateRect(Handle(c), nullptr, TRUE);
}

std::wstring TfrmMain::Caption() const {
  const int n = GetWindowTextLengthW(hwnd_);
  std::wstring text(std::size_t(n) + 1, L'\0');
  text.resize(std::size_t(GetWindowTextW(hwnd_, text.data(), n + 1)));
  return text;
}

void TfrmMain::SetCaption(const std::wstring& text) { SetWindowTextW(hwnd_, text.c_str()); }
bool TfrmMain::Enabled(Control c) const { return IsWindowEnabled(Handle(c)); }
void TfrmMain::SetEnabled(Control c, bool enabled) { EnableWindow(Handle(c), enabled); }
bool TfrmMain::Visible(Control c) const { return GetWindowLongW(Handle(c), GWL_STYLE) & WS_VISIBLE; }
void TfrmMain::SetVisible(Control c, bool visible) { ShowWindow(Handle(c), visible ? SW_SHOWNA : SW_HIDE); }
bool TfrmMain::Checked(Control c) const { return SendMessageW(Handle(c), BM_GETCHECK, 0, 0) == BST_CHECKED; }
void TfrmMain::SetChecked(Control c, bool checked) {
  SendMessageW(Handle(c), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}
void TfrmMain::SetFocus(Control c) { ::SetFocus(Handle(c)); }

SIZE TfrmMain::DesignSize(Control c) const {
  const auto& d = g_res.design[Index(c)];
  return {d.width, d.height};
}

void TfrmMain::SetDesignSize(Control c, int width, int height) {
  auto& d = g_res.design[Index(c)];
  SetDesignBounds(c, d.left, d.top, width, height);
}

void TfrmMain::SetDesignBounds(Control c, int left, int top, int width, int height) {
  g_res.design[Index(c)] = {left, top, width, height};
  SetWindowPos(Handle(c), nullptr, Scale(left), Scale(top), Scale(width), Scale(height),
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void TfrmMain::SetGaugeMax(int maximum) { SendMessageW(Handle(Control::g1), kGaugeSetMax, WPARAM(maximum), 0); }
void TfrmMain::SetGaugeProgress(int progress) {
  SendMessageW(Handle(Control::g1), kGaugeSetProgress, WPARAM(progress), 0);
}
int TfrmMain::GaugeProgress() const { return int(SendMessageW(Handle(Control::g1), kGaugeGetProgress, 0, 0)); }
int TfrmMain::GaugeMax() const { return int(SendMessageW(Handle(Control::g1), kGaugeGetMax, 0, 0)); }

int TfrmMain::Scale(int designPixels) const { return MulDiv(designPixels, dpi_, 96); }

bool TfrmMain::FormCloseQuery() {
  if (Visible(Control::g1)) {
    ShowMessage(kCannotInterrupt);
    return false;
  }
  return true;
}

void TfrmMain::sb1Click() {
  if (Visible(Control::pnl2)) {
    SetVisible(Control::pnl2, false);
    return;
  }
  SetDesignSize(Control::pnl2, DesignSize(Control::pnl2).cx, 0);
  SetDesignSize(Control::pnl2, 0, 0);
  SetVisible(Control::pnl2, true);
  // Grows by 3 x 1 pixels per step, painting each step; a click meanwhile
  // re-enters and hides the panel, and the growth then runs on hidden.
  while (DesignSize(Control::pnl2).cx <= 266) {
    const SIZE s = DesignSize(Control::pnl2);
    SetDesignSize(Control::pnl2, s.cx + 3, s.cy);
    SetDesignSize(Control::pnl2, s.cx + 3, s.cy + 1);
    ProcessPendingMessages();
  }
}

LRESULT CALLBACK TfrmMain::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (g_main && g_main->hwnd_ == hwnd) return g_main->HandleMessage(message, wParam, lParam);
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT TfrmMain::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND: {
      const int id = LOWORD(wParam) - kFirstControlId;
      const int code = HIWORD(wParam);
      if (code != BN_CLICKED) return 0;
      if (id == int(Control::sb1)) RunHandler([this] { sb1Click(); });
      if (id == int(Control::btn_install)) RunHandler([this] { btn_installClick(); });
      if (id == int(Control::btnClose)) RunHandler([this] { btnCloseClick(); });
      if (id == int(Control::img1)) RunHandler([this] { img1Click(); });
      return 0;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      HWND control = reinterpret_cast<HWND>(lParam);
      if (control == Handle(Control::Diredt1)) break;  // a disabled edit keeps the system look
      const int id = GetDlgCtrlID(control) - kFirstControlId;
      HDC dc = reinterpret_cast<HDC>(wParam);
      SetTextColor(dc, id >= 0 && id < 16 ? g_res.colors[id] : GetSysColor(COLOR_WINDOWTEXT));
      SetBkColor(dc, kSkyBlue);
      return reinterpret_cast<LRESULT>(g_res.skyBrush);
    }
    case kFolderEditExit:
      RunHandler([this] { Diredt1Exit(); });
      return 0;
    case WM_CLOSE: {
      bool canClose = true;
      RunHandler([&] { canClose = FormCloseQuery(); });
      if (canClose) DestroyWindow(hwnd_);
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(hwnd_, message, wParam, lParam);
}

}  // namespace tarifex
