// The main window's creation handler: the archive passwords, then the
// single-instance guard on the named mutex.
#include <windows.h>

#include "app/installer_state.h"
#include "ui/main_window.h"
#include "ui/message_box.h"

namespace tarifex {
namespace {

constexpr wchar_t kMutexName[] = L"Tarif_Ex";
constexpr wchar_t kAlreadyRunning[] = L"Инсталятор программы уже запущен!";

}  // namespace

void TfrmMain::FormCreate() {
  State().PayloadPassword = kPayloadPassword;
  State().EngineArchivePassword = kEngineArchivePassword;

  // Cleared first, so only this call's outcome counts. The handle lives as
  // long as the process; any non-zero code means another instance (or a
  // mutex we cannot own), and this one ends without showing its window.
  SetLastError(ERROR_SUCCESS);
  CreateMutexW(nullptr, TRUE, kMutexName);
  if (GetLastError() != ERROR_SUCCESS) {
    ShowMessage(kAlreadyRunning);
    ExitProcess(0);
  }
}

}  // namespace tarifex
