// The folder field: an edit with a browse button at its right end, file-system
// autocompletion, Alt+Down for the browse-for-folder dialog. When the focus
// moves from the field to another control of the same window, the field's
// parent receives kFolderEditExit (sent, so it runs before that control acts).
#pragma once

#include <windows.h>

namespace tarifex {

inline constexpr UINT kFolderEditExit = WM_APP + 20;

void AttachFolderEdit(HWND edit, int buttonWidth);

// Opens the browse dialog for the field, as its button does.
void BrowseForFolder(HWND edit);

}  // namespace tarifex
