// The install and close commands. The install sequence itself arrives with
// the installation steps; until then the install button does nothing.
#include "ui/main_window.h"

namespace tarifex {

void TfrmMain::btn_installClick() {}

void TfrmMain::btnCloseClick() { SendMessageW(hwnd(), WM_CLOSE, 0, 0); }

}  // namespace tarifex
