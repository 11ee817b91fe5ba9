// Starting outside programs: awaited (the archiver) or left to run on their
// own through the shell (the engine installer, the start batch file).
#pragma once

#include <windows.h>

#include <string>

namespace tarifex {

// Starts executable with the argument text (command line from
// BuildRunCommandLine, current directory = the executable's folder, a new
// console, the given show state) and waits for it without a time limit and
// without handling window messages. False, with nothing else done, when the
// process cannot be created. After a started process: pending messages are
// handled and AppWindow(), when there is one, is shown and raised; with
// hideMainWindow it is hidden during the wait.
bool RunAndWait(const std::wstring& executable, const std::wstring& arguments, WORD showState,
                bool hideMainWindow);

// Asks the shell to perform verb on the file (passed in double quotes), owned
// by AppWindow(); empty parameters pass none. Returns at once; the shell's
// answer is not examined.
void ShellOpen(const std::wstring& verb, const std::wstring& file, const std::wstring& parameters,
               int showCommand);

}  // namespace tarifex
