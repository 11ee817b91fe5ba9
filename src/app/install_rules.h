// Text rules of the install and close commands that need no Win32.
#pragma once

#include <string>
#include <vector>

#include "util/text_rules.h"

namespace tarifex {

// The continue-after-warnings switch: the first argument is exactly "-s".
// arguments[0] is the program itself.
template <class S>
bool ContinueAfterWarnings(const std::vector<S>& arguments) {
  if (arguments.size() < 2) return false;
  const S& first = arguments[1];
  return first.size() == 2 && first[0] == typename S::value_type('-') && first[1] == typename S::value_type('s');
}

// The first line of run.bat. A command with a blank is quoted, so an install
// root such as "D:\My Programs\" still starts the product; any other command
// is written as it is.
template <class S>
S BatchCommandLine(const S& command) {
  if (!ContainsChar(command, ' ')) return command;
  S quoted;
  quoted.push_back(typename S::value_type('"'));
  quoted += command;
  quoted.push_back(typename S::value_type('"'));
  return quoted;
}

}  // namespace tarifex
