// The folder field's exit: the typed folder brought into the product layout,
// then the free-space test that either accepts it as the new install root or
// empties the field.
#include "app/install_folder.h"

#include <windows.h>

#include "app/folder_rules.h"
#include "app/installer_state.h"
#include "ui/main_window.h"
#include "ui/message_box.h"

namespace tarifex {
namespace {

constexpr wchar_t kNotEnoughSpace[] = L"На выбранном диске не достаточно места.\rУкажите другой путь установки";

std::wstring CurrentFolder() {
  std::wstring folder(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetCurrentDirectoryW(DWORD(folder.size()), folder.data());
    if (n == 0) return {};
    if (n < folder.size()) {
      folder.resize(n);
      return folder;
    }
    folder.resize(n);  // n is the size needed, terminator included
  }
}

}  // namespace

bool GetDriveFreeSpace(const std::wstring& driveLetter, std::int64_t& freeToCaller, std::int64_t& total) {
  const std::wstring previous = CurrentFolder();
  // Entering the root first tells a missing or not-ready drive from an empty one.
  const std::wstring root = driveLetter + L":\\";
  if (!SetCurrentDirectoryW(root.c_str())) {
    freeToCaller = -1;
    total = -1;
    return false;
  }
  ULARGE_INTEGER available{}, size{};
  if (GetDiskFreeSpaceExW(root.c_str(), &available, &size, nullptr)) {
    freeToCaller = std::int64_t(available.QuadPart);
    total = std::int64_t(size.QuadPart);
  } else {
    freeToCaller = 0;
    total = 0;
  }
  SetCurrentDirectoryW(previous.c_str());
  return true;
}

void TfrmMain::Diredt1Exit() {
  const std::wstring folder = NormaliseFolderText(Text(Control::Diredt1));
  SetText(Control::Diredt1, folder);

  std::int64_t freeToCaller = -1, total = -1;
  GetDriveFreeSpace(folder.substr(0, 1), freeToCaller, total);
  if (freeToCaller < kRequiredFreeBytes) {
    ShowMessage(kNotEnoughSpace);
    SetText(Control::Diredt1, L"");
    return;
  }
  State().InstallRoot = InstallRootOfFolder(folder);
}

}  // namespace tarifex
