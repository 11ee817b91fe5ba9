// Program entry of the installer. The main window arrives with the window
// code; until then the entry only prepares the process-wide state.
#include <windows.h>

#include "app/installer_state.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  auto& state = tarifex::State();
  state.PayloadPassword = tarifex::kPayloadPassword;
  state.EngineArchivePassword = tarifex::kEngineArchivePassword;
  return 0;
}
