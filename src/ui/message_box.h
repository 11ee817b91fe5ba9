// Every text the user sees goes through ShowMessage: a modal box with one OK
// button, owned by the main window. Tests install a sink to capture the texts
// instead of blocking on a modal box.
#pragma once

#include <functional>
#include <string>

namespace tarifex {

void ShowMessage(const std::wstring& text);

// The error box shown for an InstallerError caught at a window-event boundary.
void ShowErrorMessage(const std::wstring& text);

struct MessageRecord {
  std::wstring text;
  bool error = false;
};
using MessageSink = std::function<void(const MessageRecord&)>;

// Replaces the modal box; an empty sink restores it. Returns the previous sink.
MessageSink SetMessageSink(MessageSink sink);

}  // namespace tarifex
