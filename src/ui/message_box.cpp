#include "ui/message_box.h"

#include <windows.h>

#include "ui/app_window.h"

namespace tarifex {
namespace {

MessageSink& Sink() {
  static MessageSink sink;
  return sink;
}

void Show(const std::wstring& text, bool error) {
  if (Sink()) {
    Sink()({text, error});
    return;
  }
  const UINT style = MB_OK | (error ? MB_ICONERROR : 0);
  MessageBoxW(AppWindow(), text.c_str(), error ? L"Error" : L"Тарифэкс", style);
}

}  // namespace

void ShowMessage(const std::wstring& text) { Show(text, false); }
void ShowErrorMessage(const std::wstring& text) { Show(text, true); }

MessageSink SetMessageSink(MessageSink sink) {
  MessageSink previous = std::move(Sink());
  Sink() = std::move(sink);
  return previous;
}

}  // namespace tarifex
