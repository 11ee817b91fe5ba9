#include "payload/archiver.h"

#include <windows.h>

#include "app/installer_state.h"
#include "payload/archiver_command.h"
#include "payload/process_launch.h"
#include "util/file_helpers.h"
#include "util/text_rules.h"

namespace tarifex {
namespace {
constexpr wchar_t kArchiverFileName[] = L"sz.exe";
}  // namespace

bool ExtractFromPayload(const std::wstring& archive, const std::wstring& mask,
                        const std::wstring& folder, const std::wstring& password) {
  if (!SetCurrentDirectoryW(FolderPart(archive).c_str())) return false;
  if (!FileExists(archive)) return false;

  // Remove an old copy first, so a failed run cannot leave a stale file that
  // passes the check below. A wildcard mask deletes nothing here.
  const std::wstring target = EnsureTrailingBackslash(folder) + mask;
  DeleteFileW(target.c_str());
  EnsureFolder(folder);

  RunAndWait(State().WorkFolder + kArchiverFileName,
             BuildArchiverArguments(archive, mask, folder, password), SW_HIDE, false);

  if (ContainsChar(mask, '*')) return true;
  return FileExists(target) && GetFileSizeByName(target) > 0;
}

}  // namespace tarifex
