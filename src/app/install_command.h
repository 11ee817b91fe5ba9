// The close command's start of the installed product.
#pragma once

#include <string>

namespace tarifex {

// Writes WorkFolder + "run.bat" (the command, quoted when it holds a blank,
// then "Exit", each line ended by CR LF, in the ANSI code page) and opens it
// through the shell, hidden, without waiting. Throws InstallerError when the
// file cannot be written.
void LaunchViaBatch(const std::wstring& command);

}  // namespace tarifex
