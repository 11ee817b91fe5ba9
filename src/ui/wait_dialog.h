// The wait dialog TfrmTmp: "Пожалуйста подождите ..." while the engine
// installer opens its windows. Created hidden at start; each modal showing
// closes itself after its 3000 ms timer.
#pragma once

#include <windows.h>

namespace tarifex {

class TfrmTmp {
 public:
  static TfrmTmp& Create(HINSTANCE instance, HWND owner);
  HWND hwnd() const { return hwnd_; }

  // Shows the dialog modally over its owner; returns when it closes.
  void ShowModal();
  void Close();  // ends a modal showing; on a hidden dialog it changes nothing

  void FormShow();   // enables tmr1
  void tmr1Timer();  // closes the dialog, then disables tmr1

  static constexpr UINT kTimerInterval = 3000;

 private:
  static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);
  HWND hwnd_ = nullptr;
  HWND owner_ = nullptr;
  bool modal_ = false;
  int dpi_ = 96;
};

TfrmTmp& frmTmp();

}  // namespace tarifex
