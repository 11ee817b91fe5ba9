#include "ui/controls.h"

#include <objidl.h>

#include <gdiplus.h>

#include <algorithm>
#include <cstdint>
#include <string>

namespace tarifex {
namespace {

std::wstring WindowText(HWND hwnd) {
  const int n = GetWindowTextLengthW(hwnd);
  std::wstring text(std::size_t(n) + 1, L'\0');
  text.resize(std::size_t(GetWindowTextW(hwnd, text.data(), n + 1)));
  return text;
}

HFONT WindowFont(HWND hwnd) { return reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0)); }

HBRUSH ParentBrush(HWND hwnd) {
  return reinterpret_cast<HBRUSH>(GetClassLongPtrW(GetParent(hwnd), GCLP_HBRBACKGROUND));
}

// Double-buffered painting: controls that are redrawn often must not flicker.
class BufferedPaint {
 public:
  explicit BufferedPaint(HWND hwnd) : hwnd_(hwnd), target_(BeginPaint(hwnd, &ps_)) {
    GetClientRect(hwnd, &rect_);
    dc_ = CreateCompatibleDC(target_);
    bitmap_ = CreateCompatibleBitmap(target_, std::max<LONG>(rect_.right, 1), std::max<LONG>(rect_.bottom, 1));
    old_ = SelectObject(dc_, bitmap_);
  }
  ~BufferedPaint() {
    BitBlt(target_, 0, 0, rect_.right, rect_.bottom, dc_, 0, 0, SRCCOPY);
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
    EndPaint(hwnd_, &ps_);
  }
  HDC dc() const { return dc_; }
  const RECT& rect() const { return rect_; }

 private:
  HWND hwnd_;
  PAINTSTRUCT ps_{};
  HDC target_;
  RECT rect_{};
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

// ---- Gauge -------------------------------------------------------------

struct GaugeData {
  int max = 100;
  int progress = 0;
};

void UpdateGaugeText(HWND hwnd, const GaugeData& g) {
  const long long percent = g.max > 0 ? (long long)g.progress * 100 / g.max : 0;
  SetWindowTextW(hwnd, (std::to_wstring(percent) + L"%").c_str());
  InvalidateRect(hwnd, nullptr, FALSE);
}

LRESULT CALLBACK GaugeProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* g = reinterpret_cast<GaugeData*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_NCCREATE:
      g = new GaugeData;
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, LONG_PTR(g));
      break;
    case WM_CREATE:
      UpdateGaugeText(hwnd, *g);
      return 0;
    case WM_NCDESTROY:
      delete g;
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      break;
    case kGaugeSetMax:
      g->max = int(wp);
      g->progress = std::min(g->progress, std::max(g->max, 0));
      UpdateGaugeText(hwnd, *g);
      return 0;
    case kGaugeSetProgress:
      g->progress = std::clamp(int(wp), 0, std::max(g->max, 0));
      UpdateGaugeText(hwnd, *g);
      return 0;
    case kGaugeGetProgress:
      return g->progress;
    case kGaugeGetMax:
      return g->max;
    case WM_SETFONT:
      SetPropW(hwnd, L"font", HANDLE(wp));
      return 0;
    case WM_GETFONT:
      return LRESULT(GetPropW(hwnd, L"font"));
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      BufferedPaint paint(hwnd);
      HDC dc = paint.dc();
      RECT r = paint.rect();
      FrameRect(dc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
      InflateRect(&r, -1, -1);
      const int width = r.right - r.left;
      const int filled = g->max > 0 ? int((long long)width * g->progress / g->max) : 0;
      RECT bar = r, rest = r;
      bar.right = r.left + filled;
      rest.left = bar.right;
      HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
      FillRect(dc, &bar, blue);
      FillRect(dc, &rest, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
      DeleteObject(blue);
      // The percentage in the middle, inverted where the bar lies under it.
      const std::wstring text = WindowText(hwnd);
      HGDIOBJ oldFont = SelectObject(dc, WindowFont(hwnd) ? HGDIOBJ(WindowFont(hwnd)) : GetStockObject(DEFAULT_GUI_FONT));
      SetBkMode(dc, TRANSPARENT);
      for (int pass = 0; pass < 2; ++pass) {
        const RECT& clip = pass == 0 ? rest : bar;
        HRGN region = CreateRectRgnIndirect(&clip);
        SelectClipRgn(dc, region);
        SetTextColor(dc, pass == 0 ? RGB(0, 0, 0) : RGB(255, 255, 255));
        DrawTextW(dc, text.c_str(), -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        SelectClipRgn(dc, nullptr);
        DeleteObject(region);
      }
      SelectObject(dc, oldFont);
      return 0;
    }
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

// ---- Flat button / speed button ---------------------------------------

struct ButtonData {
  bool hot = false;
  bool pressed = false;
  bool tracking = false;
};

void Click(HWND hwnd) {
  SendMessageW(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd), BN_CLICKED), LPARAM(hwnd));
}

void DrawFolderGlyph(HDC dc, const RECT& r) {
  const int w = r.right - r.left, h = r.bottom - r.top;
  const int gw = std::min(w - 4, 14), gh = std::min(h - 4, 10);
  const int x = r.left + (w - gw) / 2, y = r.top + (h - gh) / 2;
  HBRUSH yellow = CreateSolidBrush(RGB(240, 200, 80));
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(150, 110, 20));
  HGDIOBJ oldBrush = SelectObject(dc, yellow), oldPen = SelectObject(dc, pen);
  Rectangle(dc, x, y + 2, x + gw, y + gh);
  Rectangle(dc, x, y, x + gw / 2, y + 3);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(yellow);
  DeleteObject(pen);
}

void PaintButton(HWND hwnd, const ButtonData& b) {
  BufferedPaint paint(hwnd);
  HDC dc = paint.dc();
  RECT r = paint.rect();
  const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
  const bool enabled = !(style & WS_DISABLED);
  const bool pressed = b.pressed && b.hot;
  if (style & kSpeedButton) {
    FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(dc, &r, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
  } else {
    // The flat XP look: a rounded frame around a light face; a blue tint under the mouse.
    FillRect(dc, &r, ParentBrush(hwnd));
    COLORREF face = RGB(250, 250, 248);
    if (!enabled) face = RGB(236, 236, 232);
    else if (pressed) face = RGB(212, 222, 240);
    else if (b.hot && (style & kHighlight)) face = RGB(230, 238, 252);
    HBRUSH faceBrush = CreateSolidBrush(face);
    HPEN frame = CreatePen(PS_SOLID, 1, enabled ? (b.hot ? RGB(49, 106, 197) : RGB(0, 60, 116)) : RGB(170, 170, 170));
    HGDIOBJ oldBrush = SelectObject(dc, faceBrush), oldPen = SelectObject(dc, frame);
    RoundRect(dc, r.left, r.top, r.right, r.bottom, 5, 5);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(faceBrush);
    DeleteObject(frame);
    if (GetFocus() == hwnd) {
      RECT focus = r;
      InflateRect(&focus, -3, -3);
      DrawFocusRect(dc, &focus);
    }
  }
  if (style & kFolderGlyph) {
    DrawFolderGlyph(dc, r);
    return;
  }
  HFONT font = WindowFont(hwnd);
  HGDIOBJ oldFont = SelectObject(dc, font ? HGDIOBJ(font) : GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  const COLORREF color = COLORREF(reinterpret_cast<std::uintptr_t>(GetPropW(hwnd, L"textColor")));
  SetTextColor(dc, enabled ? color : GetSysColor(COLOR_GRAYTEXT));
  if (pressed) OffsetRect(&r, 1, 1);
  const std::wstring text = WindowText(hwnd);
  DrawTextW(dc, text.c_str(), -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, oldFont);
}

LRESULT CALLBACK ButtonProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* b = reinterpret_cast<ButtonData*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  const bool speed = GetWindowLongW(hwnd, GWL_STYLE) & kSpeedButton;
  switch (msg) {
    case WM_NCCREATE:
      b = new ButtonData;
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, LONG_PTR(b));
      break;
    case WM_NCDESTROY:
      delete b;
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      RemovePropW(hwnd, L"font");
      RemovePropW(hwnd, L"textColor");
      break;
    case WM_SETFONT:
      SetPropW(hwnd, L"font", HANDLE(wp));
      if (lp) InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_GETFONT:
      return LRESULT(GetPropW(hwnd, L"font"));
    case WM_SETTEXT:
    case WM_ENABLE: {
      const LRESULT r = DefWindowProcW(hwnd, msg, wp, lp);
      InvalidateRect(hwnd, nullptr, FALSE);
      return r;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_GETDLGCODE:
      return speed ? DLGC_STATIC : DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
    case WM_MOUSEMOVE: {
      POINT p{short(LOWORD(lp)), short(HIWORD(lp))};
      RECT r;
      GetClientRect(hwnd, &r);
      const bool inside = PtInRect(&r, p);
      if (inside != b->hot) {
        b->hot = inside;
        InvalidateRect(hwnd, nullptr, FALSE);
      }
      if (!b->tracking) {
        TRACKMOUSEEVENT t{sizeof t, TME_LEAVE, hwnd, 0};
        b->tracking = TrackMouseEvent(&t);
      }
      return 0;
    }
    case WM_MOUSELEAVE:
      b->tracking = false;
      b->hot = false;
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (!speed) SetFocus(hwnd);
      b->pressed = true;
      b->hot = true;
      SetCapture(hwnd);
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_LBUTTONUP: {
      const bool click = b->pressed && b->hot;
      b->pressed = false;
      if (GetCapture() == hwnd) ReleaseCapture();
      InvalidateRect(hwnd, nullptr, FALSE);
      if (click) Click(hwnd);
      return 0;
    }
    case WM_CAPTURECHANGED:
      b->pressed = false;
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_KEYUP:
      if (wp == VK_SPACE) Click(hwnd);
      return 0;
    case BM_CLICK:
      // As a standard button: the click takes the focus first (so a field left
      // by it gets its exit), then acts.
      if (!IsWindowEnabled(hwnd)) return 0;
      if (!speed) SetFocus(hwnd);
      Click(hwnd);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      PaintButton(hwnd, *b);
      return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

// ---- Transparent label ---------------------------------------------------

LRESULT CALLBACK LabelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_SETFONT:
      SetPropW(hwnd, L"font", HANDLE(wp));
      return 0;
    case WM_GETFONT:
      return LRESULT(GetPropW(hwnd, L"font"));
    case WM_NCDESTROY:
      RemovePropW(hwnd, L"font");
      RemovePropW(hwnd, L"textColor");
      break;
    case WM_SETTEXT: {
      const LRESULT r = DefWindowProcW(hwnd, msg, wp, lp);
      InvalidateRect(hwnd, nullptr, TRUE);
      return r;
    }
    case WM_NCHITTEST:
      return HTTRANSPARENT;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      // No background of its own: whatever the parent paints shows through.
      BufferedPaint paint(hwnd);
      HDC dc = paint.dc();
      RECT r = paint.rect();
      FillRect(dc, &r, ParentBrush(hwnd));
      HFONT font = WindowFont(hwnd);
      HGDIOBJ oldFont = SelectObject(dc, font ? HGDIOBJ(font) : GetStockObject(DEFAULT_GUI_FONT));
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, COLORREF(reinterpret_cast<std::uintptr_t>(GetPropW(hwnd, L"textColor"))));
      const std::wstring text = WindowText(hwnd);
      DrawTextW(dc, text.c_str(), -1, &r, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
      SelectObject(dc, oldFont);
      return 0;
    }
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

// ---- Panel ---------------------------------------------------------------

LRESULT CALLBACK PanelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
      return SendMessageW(GetParent(hwnd), msg, wp, lp);
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      HDC dc = reinterpret_cast<HDC>(wp);
      SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
      SetBkColor(dc, GetSysColor(COLOR_INACTIVECAPTIONTEXT));
      return LRESULT(GetSysColorBrush(COLOR_INACTIVECAPTIONTEXT));
    }
    case WM_ERASEBKGND: {
      RECT r;
      GetClientRect(hwnd, &r);
      HDC dc = reinterpret_cast<HDC>(wp);
      FillRect(dc, &r, GetSysColorBrush(COLOR_INACTIVECAPTIONTEXT));
      DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT);
      return 1;
    }
    case WM_SIZE:
      InvalidateRect(hwnd, nullptr, TRUE);
      break;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

// ---- Picture box ---------------------------------------------------------

LRESULT CALLBACK PictureProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case kPictureSetImage:
      SetPropW(hwnd, L"image", HANDLE(lp));
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_NCDESTROY:
      RemovePropW(hwnd, L"image");
      break;
    case WM_LBUTTONUP:
      Click(hwnd);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      BufferedPaint paint(hwnd);
      HDC dc = paint.dc();
      const RECT& r = paint.rect();
      FillRect(dc, &r, ParentBrush(hwnd));
      auto* image = static_cast<Gdiplus::Image*>(GetPropW(hwnd, L"image"));
      if (image && image->GetWidth() && image->GetHeight()) {
        // Scaled to fit the box, keeping proportions, at the top-left corner.
        const double sx = double(r.right) / image->GetWidth(), sy = double(r.bottom) / image->GetHeight();
        const double s = std::min(sx, sy);
        const int w = int(image->GetWidth() * s), h = int(image->GetHeight() * s);
        Gdiplus::Graphics g(dc);
        g.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
        g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
        g.DrawImage(image, 0, 0, w, h);
      }
      return 0;
    }
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

void Register(HINSTANCE instance, const wchar_t* name, WNDPROC proc, UINT style, HBRUSH background) {
  WNDCLASSEXW wc{sizeof wc};
  wc.style = style;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = background;
  wc.lpszClassName = name;
  RegisterClassExW(&wc);
}

}  // namespace

void RegisterControlClasses(HINSTANCE instance) {
  Register(instance, kGaugeClass, GaugeProc, CS_HREDRAW | CS_VREDRAW, nullptr);
  Register(instance, kFlatButtonClass, ButtonProc, CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, nullptr);
  Register(instance, kTransparentLabelClass, LabelProc, CS_HREDRAW | CS_VREDRAW, nullptr);
  Register(instance, kPanelClass, PanelProc, CS_HREDRAW | CS_VREDRAW, nullptr);
  Register(instance, kPictureClass, PictureProc, 0, nullptr);
}

}  // namespace tarifex
