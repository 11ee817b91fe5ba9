// The window-event boundary: an error that escapes a handler is shown in the
// error box with its text, as a desktop toolkit does, and the window goes on.
// A C++ exception must never unwind through Windows code.
#pragma once

#include <exception>

namespace tarifex {

void ShowEscapedError(std::exception_ptr error) noexcept;

template <class F>
void RunHandler(F&& handler) noexcept {
  try {
    handler();
  } catch (...) {
    ShowEscapedError(std::current_exception());
  }
}

}  // namespace tarifex
