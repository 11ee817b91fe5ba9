// The one exception type of the installer: a failure the platform raises that
// ends the current window-event handler. It carries the text the user sees in
// the error box. It must never unwind through Windows code: window procedures
// catch it at their boundary.
#pragma once

#include <windows.h>

#include <exception>
#include <string>

namespace tarifex {

class InstallerError : public std::exception {
 public:
  explicit InstallerError(std::wstring text) : text_(std::move(text)) {}
  const std::wstring& text() const noexcept { return text_; }
  const char* what() const noexcept override { return "tarifex::InstallerError"; }

 private:
  std::wstring text_;
};

// The system's description of a Win32 error code, without the trailing line break.
std::wstring SystemErrorText(DWORD code);

// Throws InstallerError with "CONTEXT: <system text for code>".
[[noreturn]] void ThrowSystemError(const std::wstring& context, DWORD code);

}  // namespace tarifex
