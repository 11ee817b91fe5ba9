#include "payload/process_launch.h"

#include <shellapi.h>

#include "payload/run_command_line.h"
#include "ui/app_window.h"
#include "util/scoped_handle.h"
#include "util/text_rules.h"

namespace tarifex {

bool RunAndWait(const std::wstring& executable, const std::wstring& arguments, WORD showState,
                bool hideMainWindow) {
  // CreateProcessW may write into the command line, so it gets its own buffer.
  std::wstring commandLine = BuildRunCommandLine(executable, arguments);
  const std::wstring folder = FolderPart(executable);

  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = showState;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE,
                      CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS, nullptr,
                      folder.empty() ? nullptr : folder.c_str(), &startup, &info)) {
    return false;
  }
  ScopedProcess process(info.hProcess);
  ScopedProcess thread(info.hThread);

  if (hideMainWindow && AppWindow()) ShowWindow(AppWindow(), SW_HIDE);
  WaitForSingleObject(process.get(), INFINITE);
  process.reset();
  thread.reset();

  ProcessPendingMessages();
  if (HWND window = AppWindow()) {
    ShowWindow(window, SW_SHOW);
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    BringWindowToTop(window);
  }
  return true;
}

void ShellOpen(const std::wstring& verb, const std::wstring& file, const std::wstring& parameters,
               int showCommand) {
  const std::wstring quoted = L"\"" + file + L"\"";
  ShellExecuteW(AppWindow(), verb.c_str(), quoted.c_str(),
                parameters.empty() ? nullptr : parameters.c_str(), nullptr, showCommand);
}

}  // namespace tarifex
