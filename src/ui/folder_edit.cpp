#include "ui/folder_edit.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <string>

#include "ui/controls.h"

namespace tarifex {
namespace {

constexpr wchar_t kOriginalProc[] = L"tarifexEditProc";
constexpr wchar_t kButtonProp[] = L"tarifexBrowseButton";
constexpr int kButtonId = 1;

bool g_browsing = false;
std::wstring g_lastChosen;  // the folder last chosen through the dialog

std::wstring EditText(HWND edit) {
  const int n = GetWindowTextLengthW(edit);
  std::wstring text(std::size_t(n) + 1, L'\0');
  text.resize(std::size_t(GetWindowTextW(edit, text.data(), n + 1)));
  return text;
}

std::wstring CurrentDriveRoot() {
  wchar_t current[MAX_PATH] = {};
  const DWORD n = GetCurrentDirectoryW(MAX_PATH, current);
  if (n >= 2 && current[1] == L':') return std::wstring(current, 2) + L"\\";
  return L"C:\\";
}

bool IsFolder(const std::wstring& path) {
  const DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

int CALLBACK BrowseCallback(HWND dialog, UINT message, LPARAM, LPARAM data) {
  if (message == BFFM_INITIALIZED) SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, data);
  return 0;
}

void PlaceButton(HWND edit) {
  HWND button = static_cast<HWND>(GetPropW(edit, kButtonProp));
  if (!button) return;
  RECT r;
  GetClientRect(edit, &r);
  const int width = int(SendMessageW(edit, EM_GETMARGINS, 0, 0) >> 16);
  SetWindowPos(button, nullptr, r.right - width, 0, width, r.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CALLBACK EditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto original = reinterpret_cast<WNDPROC>(GetPropW(edit, kOriginalProc));
  switch (message) {
    case WM_SYSKEYDOWN:
      if (wParam == VK_DOWN && (lParam & (1 << 29))) {
        BrowseForFolder(edit);
        return 0;
      }
      break;
    case WM_COMMAND:
      if (LOWORD(wParam) == kButtonId && HIWORD(wParam) == BN_CLICKED) {
        BrowseForFolder(edit);
        return 0;
      }
      break;
    case WM_SIZE: {
      const LRESULT r = CallWindowProcW(original, edit, message, wParam, lParam);
      PlaceButton(edit);
      return r;
    }
    case WM_KILLFOCUS: {
      const LRESULT r = CallWindowProcW(original, edit, message, wParam, lParam);
      // Only a move to another control of this window counts as leaving the
      // field; the browse dialog, message boxes and other programs do not.
      HWND root = GetAncestor(edit, GA_ROOT);
      HWND next = reinterpret_cast<HWND>(wParam);
      if (!g_browsing && next && IsChild(root, next)) SendMessageW(GetParent(edit), kFolderEditExit, 0, LPARAM(edit));
      return r;
    }
    case WM_NCDESTROY:
      SetWindowLongPtrW(edit, GWLP_WNDPROC, LONG_PTR(original));
      RemovePropW(edit, kOriginalProc);
      RemovePropW(edit, kButtonProp);
      break;
  }
  return CallWindowProcW(original, edit, message, wParam, lParam);
}

}  // namespace

void AttachFolderEdit(HWND edit, int buttonWidth) {
  const HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(edit, GWLP_HINSTANCE));
  SendMessageW(edit, EM_SETMARGINS, EC_RIGHTMARGIN, MAKELPARAM(0, buttonWidth));
  HWND button = CreateWindowExW(0, kFlatButtonClass, L"...", WS_CHILD | WS_VISIBLE | kSpeedButton | kFolderGlyph, 0, 0,
                                buttonWidth, 10, edit, reinterpret_cast<HMENU>(INT_PTR(kButtonId)), instance, nullptr);
  SetPropW(edit, kButtonProp, button);
  SetPropW(edit, kOriginalProc, reinterpret_cast<HANDLE>(GetWindowLongPtrW(edit, GWLP_WNDPROC)));
  SetWindowLongPtrW(edit, GWLP_WNDPROC, LONG_PTR(EditProc));
  PlaceButton(edit);
  // Suggestions of existing paths while typing; without COM on the thread it is simply absent.
  SHAutoComplete(edit, SHACF_FILESYSTEM | SHACF_AUTOSUGGEST_FORCE_ON | SHACF_AUTOAPPEND_FORCE_OFF);
}

void BrowseForFolder(HWND edit) {
  const std::wstring text = EditText(edit);
  std::wstring start;
  if (text.empty()) start = g_lastChosen.empty() ? CurrentDriveRoot() : g_lastChosen;
  else start = IsFolder(text) ? text : CurrentDriveRoot();

  wchar_t display[MAX_PATH] = {};
  BROWSEINFOW info{};
  info.hwndOwner = GetAncestor(edit, GA_ROOT);
  info.pszDisplayName = display;
  info.ulFlags = BIF_NEWDIALOGSTYLE | BIF_STATUSTEXT | BIF_RETURNONLYFSDIRS;
  info.lpfn = BrowseCallback;
  info.lParam = reinterpret_cast<LPARAM>(start.c_str());

  g_browsing = true;
  PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
  g_browsing = false;
  SetFocus(edit);
  if (!chosen) return;
  wchar_t path[MAX_PATH] = {};
  const bool ok = SHGetPathFromIDListW(chosen, path);
  CoTaskMemFree(chosen);
  if (!ok) return;
  g_lastChosen = path;
  SetWindowTextW(edit, path);
}

}  // namespace tarifex
