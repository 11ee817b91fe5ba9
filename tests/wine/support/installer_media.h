// The installer as a user gets it: a copy of the built executable sealed for
// a payload, with the payload beside it, and the running installer's window
// driven from this process as a user would drive it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "support/ui_driver.h"

namespace tarifex::test {

// Control ids are 1000 + the control's place in the window's list.
enum InstallerControl {
  kLbl1 = 2,
  kG1 = 3,
  kSb1 = 4,
  kLbl2 = 5,
  kLbl11 = 6,
  kLbl12 = 7,
  kChk1 = 8,
  kDiredt1 = 9,
  kBtnClose = 10,
  kBtnInstall = 11,
  kPnl2 = 12,
  kChkBDE = 14,
  kChkExe = 15,
};

// The checksum text of a file, as the installer computes it for its payload.
std::string PayloadChecksumText(const std::wstring& file);

// Copies the installer to `sealedCopy` with a 100-byte trailer appended that
// records `checksumText` for the copy's own file name (the key bytes pass
// through the ANSI code page, as the installer decodes them).
void SealInstallerCopy(const std::wstring& installer, const std::wstring& sealedCopy,
                       const std::string& checksumText);

// The built installer of this build tree (X:\src\app\TARIFEX_Installer.exe).
std::wstring BuiltInstaller();

// Puts TARIFEX_Installer.exe and txTopics.lum into `folder`: the payload
// copied from `payload`, the installer sealed for the checksum of
// `sealedFor` (the payload itself when empty, so the check passes).
// Returns the installer's path.
std::wstring PrepareMedia(const std::wstring& folder, const std::wstring& payload,
                          const std::wstring& sealedFor = L"");

// One run of the installer: started from its folder, its main window found
// once the first show has put the versioned caption up.
class InstallerRun {
 public:
  // Throws std::runtime_error when the window or its versioned caption does not come.
  InstallerRun(const std::wstring& installer, const std::wstring& arguments);

  HWND window() const { return window_; }
  HWND control(int index) const { return ControlOf(window_, index); }
  std::wstring Text(int index) const { return WindowText(control(index)); }
  bool Visible(int index) const { return IsWindowVisible(control(index)) != FALSE; }
  bool Enabled(int index) const { return IsWindowEnabled(control(index)) != FALSE; }
  bool Checked(int index) const;
  ChildProcess& process() { return process_; }

  // As a user: a click on a push button or check box (the click takes the focus first).
  void Click(int index);
  // Opens the component panel and waits until it has grown to its full size.
  void OpenComponents();
  // Ticks or unticks a box of the component panel by clicking it when needed.
  void SetBox(int index, bool ticked);
  // Clicks into the folder field and replaces its text; the next click on a
  // button leaves the field, so its exit runs first.
  void TypeFolder(const std::wstring& text);
  // Replaces the folder field's text without giving it the focus, so no exit runs.
  void SetFolderText(const std::wstring& text);

  // The next message box of the installer, waiting up to timeout; null if none.
  HWND WaitForMessageBox(DWORD timeoutMs);
  // Presses OK on the box and waits until it is gone.
  void Dismiss(HWND box);
  // Waits for a message box, returns its text and dismisses it; empty when none came.
  std::wstring AnswerMessage(DWORD timeoutMs);

  // Waits until lbl_11 reads "Установка успешна завершена." (answering no
  // boxes meanwhile: an unexpected one makes the wait fail). False on timeout.
  bool WaitForFinish(DWORD timeoutMs);
  // Waits for the end of the process; its exit code, or STILL_ACTIVE.
  DWORD WaitForExit(DWORD timeoutMs) { return process_.Wait(timeoutMs); }

 private:
  ChildProcess process_;
  HWND window_ = nullptr;
};

// Full paths of running processes with that file name (compared without
// regard to letter case).
struct RunningProcess {
  DWORD pid;
  std::wstring path;
};
std::vector<RunningProcess> ProcessesNamed(const std::wstring& name);

// Ends every process of that file name whose executable lies below `folder`
// (compared without regard to letter case) and waits for them to go.
void EndProcessesBelow(const std::wstring& name, const std::wstring& folder);

// TMP and TEMP of this process, which a started installer inherits.
class ScopedTempVariables {
 public:
  explicit ScopedTempVariables(const std::wstring& folder);
  ~ScopedTempVariables();
  ScopedTempVariables(const ScopedTempVariables&) = delete;
  ScopedTempVariables& operator=(const ScopedTempVariables&) = delete;

 private:
  std::vector<std::wstring> saved_;
};

// An environment variable of this process set (or removed with null) while the owner lives.
class ScopedVariable {
 public:
  ScopedVariable(const wchar_t* name, const wchar_t* value);
  ~ScopedVariable();
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  std::wstring name_;
  bool had_ = false;
  std::wstring previous_;
};

// Relative paths of every file and folder below `folder` (folders end with a
// backslash), sorted; letter case as the file system keeps it.
std::vector<std::wstring> TreeListing(const std::wstring& folder);

}  // namespace tarifex::test
