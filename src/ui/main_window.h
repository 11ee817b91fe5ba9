// The main window TfrmMain: every control of the installer, plain Win32 child
// windows whose texts are readable through WM_GETTEXT. Handlers of the
// window's events are methods; the installer logic defines most of them in
// src/app (detection, folder field, first show, install command).
#pragma once

#include <windows.h>

#include <string>

namespace tarifex {

enum class Control {
  img1,
  lbljvlbl6,
  lbl_1,
  g1,
  sb1,
  lbl_2,
  lbl_11,
  lbl_12,
  chk1,
  Diredt1,
  btnClose,
  btn_install,
  pnl2,
  lbl_lbl3,
  chkBDE,
  chk_exe,
};

// Window class names, also what tests look for.
inline constexpr wchar_t kMainWindowClass[] = L"TfrmMain";
inline constexpr wchar_t kWaitDialogClass[] = L"TfrmTmp";

class TfrmMain {
 public:
  // Creates the window hidden with all controls in their creation states and
  // runs FormCreate (which may end the process: second instance).
  static TfrmMain& Create(HINSTANCE instance);
  // Shows the window centred (FormShow runs on the first show).
  void Show(int showCommand);

  HWND hwnd() const { return hwnd_; }
  HWND Handle(Control c) const;

  std::wstring Text(Control c) const;
  void SetText(Control c, const std::wstring& text);
  std::wstring Caption() const;
  void SetCaption(const std::wstring& text);
  bool Enabled(Control c) const;
  void SetEnabled(Control c, bool enabled);
  bool Visible(Control c) const;
  void SetVisible(Control c, bool visible);
  bool Checked(Control c) const;
  void SetChecked(Control c, bool checked);
  void SetFocus(Control c);
  // Size in design pixels (96 DPI) of a control, for the panel's growth.
  SIZE DesignSize(Control c) const;
  void SetDesignSize(Control c, int width, int height);
  void SetDesignBounds(Control c, int left, int top, int width, int height);

  // The gauge g1.
  void SetGaugeMax(int maximum);
  void SetGaugeProgress(int progress);
  int GaugeProgress() const;
  int GaugeMax() const;

  // Event handlers.
  void FormCreate();
  void FormShow();
  bool FormCloseQuery();  // false refuses the close
  void sb1Click();
  void Diredt1Exit();
  void Setup_Initialization();
  void btn_installClick();
  void btnCloseClick();
  void img1Click() {}
  void pnl2MouseLeave() {}

  // Scales a design length (96 DPI) to the window's density.
  int Scale(int designPixels) const;

 private:
  TfrmMain() = default;
  static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void CreateControls();
  void FitLabelToText(Control c, int font, int maxDesignWidth);

  HWND hwnd_ = nullptr;
  HWND controls_[16] = {};
  int dpi_ = 96;
  bool shown_ = false;
};

// The one instance, once created.
TfrmMain& frmMain();

}  // namespace tarifex
