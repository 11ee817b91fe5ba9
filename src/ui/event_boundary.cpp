#include "ui/event_boundary.h"

#include <new>
#include <string>

#include "ui/message_box.h"
#include "util/installer_error.h"

namespace tarifex {

void ShowEscapedError(std::exception_ptr error) noexcept {
  try {
    try {
      std::rethrow_exception(error);
    } catch (const InstallerError& e) {
      ShowErrorMessage(e.text());
    } catch (const std::bad_alloc&) {
      ShowErrorMessage(L"Out of memory");
    } catch (const std::exception& e) {
      std::wstring text;
      for (const char* p = e.what(); *p; ++p) text.push_back(wchar_t(static_cast<unsigned char>(*p)));
      ShowErrorMessage(text);
    } catch (...) {
      ShowErrorMessage(L"Unknown error");
    }
  } catch (...) {
    // Showing the box itself failed; nothing more can be done at the boundary.
  }
}

}  // namespace tarifex
