#include "support/test_window.h"

#include <windows.h>

#include "util/scoped_handle.h"

namespace tarifex::test {

TfrmMain& TestWindow() {
  TfrmMain& window = TfrmMain::Create(GetModuleHandleW(nullptr));
  window.SetCaption(L"LUM Tessaron - Кордекс");
  window.SetText(Control::lbl_1, L"");
  window.SetText(Control::lbl_2, L"Мастер установки произведет ");
  window.SetText(Control::lbl_11, L"новую установку ");
  window.SetText(Control::lbl_12, L"\"Кордекс\" на Ваш компьютер.");
  window.SetText(Control::btn_install, L"Установить");
  window.SetText(Control::Diredt1, L"");
  window.SetEnabled(Control::Diredt1, true);
  window.SetChecked(Control::chkBDE, true);
  window.SetEnabled(Control::chkBDE, false);
  window.SetText(Control::chk_exe, L"Тарифэкс");
  return window;
}

std::wstring CurrentFolder() {
  const DWORD n = GetCurrentDirectoryW(0, nullptr);
  std::wstring folder(n, L'\0');
  folder.resize(GetCurrentDirectoryW(n, folder.data()));
  return folder;
}

ScopedCurrentFolder::ScopedCurrentFolder() : folder_(CurrentFolder()) {}
ScopedCurrentFolder::~ScopedCurrentFolder() { SetCurrentDirectoryW(folder_.c_str()); }

namespace {

void DeleteSubtree32(const wchar_t* parent, const wchar_t* name) {
  ScopedRegKey key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, parent, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, key.receive()) == ERROR_SUCCESS)
    RegDeleteTreeW(key.get(), name);
}

}  // namespace

void RemoveInstallationKeys() {
  DeleteSubtree32(L"SOFTWARE\\LUM", L"TARIFEX");
  DeleteSubtree32(L"SOFTWARE\\LUM", L"ZedOV");
  DeleteSubtree32(L"SOFTWARE\\LUM-TESSARON", L"Tarifex");
  ScopedRegKey key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\LUM", 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, key.receive()) ==
      ERROR_SUCCESS)
    RegDeleteValueW(key.get(), L"InstallPath");
}

}  // namespace tarifex::test
