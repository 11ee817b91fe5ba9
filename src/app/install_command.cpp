// The install command, the install sequence and the close command.
#include <windows.h>

#include <shellapi.h>

#include <exception>
#include <string>
#include <vector>

#include "app/install_command.h"
#include "app/install_rules.h"
#include "app/installer_state.h"
#include "payload/archiver.h"
#include "payload/integrity.h"
#include "payload/process_launch.h"
#include "payload/process_list.h"
#include "payload/resources.h"
#include "steps/fonts_engine.h"
#include "steps/product_files.h"
#include "steps/registration.h"
#include "ui/event_boundary.h"
#include "ui/main_window.h"
#include "ui/message_box.h"
#include "util/ansi_text.h"
#include "util/file_helpers.h"
#include "util/installer_error.h"
#include "util/scoped_handle.h"
#include "util/text_rules.h"

namespace tarifex {
namespace {

constexpr wchar_t kNoFolder[] = L"Не выбран путь для установки";
constexpr wchar_t kProductRunning[] =
    L"ВНИМАНИЕ!!!\rДля продложения установки небходимо\rзакрыть программу Кордекс и Тарифэкс";
constexpr wchar_t kAntivirus[] =
    L"ВНИМАНИЕ!!!\r\rДля продложения установки небходимо\rВременно выключить Ваш антивирус \r"
    L"и в настройках антивируса добавить в исключения\rпапку ";
constexpr wchar_t kDone[] = L"Установка успешна завершена.";
constexpr wchar_t kLaunchCaption[] = L"Запустить установленную\rпрограмму";
const wchar_t* const kBlockingPrograms[] = {L"TARIFEX.exe", L"TX.exe", L"ZedOv.exe"};

std::vector<std::wstring> CommandLineArguments() {
  int count = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::wstring> arguments;
  if (!argv) return arguments;
  for (int i = 0; i < count; ++i) arguments.emplace_back(argv[i]);
  LocalFree(argv);
  return arguments;
}

void RunInstallSequence(TfrmMain& window) {
  if (window.Checked(Control::chkBDE)) InstallEngineStep();
  if (window.Checked(Control::chk_exe)) InstallProductFilesStep();
  RegisterInstallation();
  ReplaceDesktopShortcut();
  FinishAndCleanUp();
}

}  // namespace

void LaunchViaBatch(const std::wstring& command) {
  const std::wstring file = State().WorkFolder + L"run.bat";
  const std::string content = ToAnsi(BatchCommandLine(command)) + "\r\nExit\r\n";
  ScopedFile batch(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!batch) ThrowSystemError(L"Cannot create file \"" + file + L"\"", GetLastError());
  DWORD written = 0;
  if (!WriteFile(batch.get(), content.data(), DWORD(content.size()), &written, nullptr) || written != content.size())
    ThrowSystemError(L"Cannot write file \"" + file + L"\"", GetLastError());
  batch.reset();
  ShellOpen(L"open", file, L"", SW_HIDE);
}

void TfrmMain::btn_installClick() {
  InstallerState& s = State();
  const std::wstring payload = PayloadArchivePath();
  s.WorkFolder = EnsureTrailingBackslash(s.InstallRoot + L"Tarifex\\tmp\\");
  EnsureFolder(s.WorkFolder);
  SaveResourceToFile(L"sz", s.WorkFolder + L"sz.exe");
  SaveResourceToFile(L"7zdll", s.WorkFolder + L"7z.dll");
  SaveResourceToFile(L"7zipdll", s.WorkFolder + L"7-zip.dll");
  SaveResourceToFile(L"wget", s.InstallRoot + L"Tarifex\\wget.exe");
  ExtractFromPayload(payload, L"verinfo.ini", s.WorkFolder, s.PayloadPassword);
  ExtractFromPayload(payload, L"resinfo.ini", s.WorkFolder, s.PayloadPassword);
  const bool goOn = ContinueAfterWarnings(CommandLineArguments());

  if (Text(Control::Diredt1).empty()) {
    ShowMessage(kNoFolder);
    return;
  }
  if (!CheckPayloadIntegrity() && !goOn) return;
  for (const wchar_t* program : kBlockingPrograms) {
    if (!IsProcessRunning(program, false)) continue;
    ShowMessage(kProductRunning);
    if (!goOn) return;
    break;
  }
  ExtractFromPayload(payload, s.MainExeName, s.WorkFolder, s.PayloadPassword);
  if (!FileExists(s.WorkFolder + s.MainExeName)) {
    ShowMessage(kAntivirus + s.InstallRoot);
    if (!goOn) return;
  }

  SetEnabled(Control::btn_install, false);
  SetEnabled(Control::btnClose, false);
  SetVisible(Control::lbl_2, false);
  SetVisible(Control::lbl_11, false);
  SetVisible(Control::lbl_12, false);

  try {
    RunInstallSequence(*this);
  } catch (...) {
    // The error box first; then the window lets the user leave. The close
    // guard would otherwise refuse every close while the gauge stays shown.
    ShowEscapedError(std::current_exception());
    SetVisible(Control::g1, false);
    SetEnabled(Control::btnClose, true);
    return;
  }

  SetDesignSize(Control::chk1, 169, 26);
  SetText(Control::chk1, kLaunchCaption);
  SetVisible(Control::chk1, true);
  SetVisible(Control::lbl_11, true);
  SetText(Control::lbl_2, L"");
  SetText(Control::lbl_11, kDone);
  SetText(Control::lbl_12, L"");
  SetEnabled(Control::btnClose, true);
  SetFocus(Control::btnClose);
}

void TfrmMain::btnCloseClick() {
  if (Visible(Control::chk1) && Checked(Control::chk1))
    LaunchViaBatch(State().InstallRoot + L"Tarifex\\" + State().MainExeName);
  SendMessageW(hwnd(), WM_CLOSE, 0, 0);
}

}  // namespace tarifex
