#include "util/file_helpers.h"

#include <windows.h>

#include "ui/app_window.h"
#include "ui/message_box.h"
#include "util/installer_error.h"
#include "util/scoped_handle.h"
#include "util/text_rules.h"

namespace tarifex {
namespace {

constexpr wchar_t kCannotCreateFolder[] = L"Не хавтает прав создать директорию ";
constexpr std::size_t kMaxPrimitivePath = 260;

// The checks the copy, move and delete primitives make before touching
// anything: too long, malformed, or with characters no path may hold.
void CheckPath(const std::wstring& path) {
  if (path.empty() || path.size() >= kMaxPrimitivePath)
    throw InstallerError(L"Invalid path: " + path);
  for (std::size_t i = 0; i < path.size(); ++i) {
    const wchar_t c = path[i];
    const bool drive_colon = (c == L':' && i == 1);
    if (c < 32 || c == L'<' || c == L'>' || c == L'"' || c == L'|' || c == L'?' || c == L'*' ||
        (c == L':' && !drive_colon))
      throw InstallerError(L"Invalid path: " + path);
  }
}

void CheckFolderOf(const std::wstring& path) {
  const std::wstring folder = FolderPart(path);
  if (!folder.empty() && !FolderExists(folder)) throw InstallerError(L"Folder not found: " + folder);
}

void CopyPrimitive(const std::wstring& source, const std::wstring& destination, bool overwrite) {
  CheckPath(source);
  CheckPath(destination);
  if (!FileExists(source)) throw InstallerError(L"File not found: " + source);
  CheckFolderOf(destination);
  if (!overwrite && FileExists(destination)) throw InstallerError(L"File exists: " + destination);
  if (!CopyFileW(source.c_str(), destination.c_str(), !overwrite))
    ThrowSystemError(L"Cannot copy " + source, GetLastError());
}

void MovePrimitive(const std::wstring& source, const std::wstring& destination) {
  CheckPath(source);
  CheckPath(destination);
  if (!FileExists(source)) throw InstallerError(L"File not found: " + source);
  CheckFolderOf(destination);
  if (FileExists(destination)) throw InstallerError(L"File exists: " + destination);
  // A rename on the same volume; across volumes a copy that replaces nothing, then the delete.
  if (!MoveFileExW(source.c_str(), destination.c_str(), MOVEFILE_COPY_ALLOWED))
    ThrowSystemError(L"Cannot move " + source, GetLastError());
}

void DeletePrimitive(const std::wstring& path) {
  CheckPath(path);
  CheckFolderOf(path);
  if (!DeleteFileW(path.c_str())) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION)
      ThrowSystemError(L"Cannot delete " + path, error);
  }
}

}  // namespace

bool FileExists(const std::wstring& path) {
  const DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::wstring& path) {
  const DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

void EnsureFolder(const std::wstring& folder) {
  const std::wstring f = EnsureTrailingBackslash(folder);
  if (FolderExists(f)) return;
  // Outermost first: every prefix that ends before a backslash. Prefixes that
  // are no folder of their own ("C:", "\\server") simply fail and are passed.
  for (std::size_t i = 1; i < f.size(); ++i) {
    if (f[i] != L'\\') continue;
    const std::wstring prefix = f.substr(0, i);
    if (!FolderExists(prefix)) CreateDirectoryW(prefix.c_str(), nullptr);
  }
  if (!FolderExists(f)) ShowMessage(kCannotCreateFolder + folder);
}

int DeleteFilesByMask(const std::wstring& folder, const std::wstring& mask) {
  if (!FolderExists(folder)) return 0;
  if (!SetCurrentDirectoryW(folder.c_str())) return 0;
  const std::wstring base = EnsureTrailingBackslash(folder);
  WIN32_FIND_DATAW entry;
  ScopedFind find(FindFirstFileW((base + mask).c_str(), &entry));
  if (!find) return 0;
  int deleted = 0;
  do {
    ProcessPendingMessages();
    if (entry.dwFileAttributes == FILE_ATTRIBUTE_DIRECTORY) continue;
    if (DeleteFileW((base + entry.cFileName).c_str())) ++deleted;
    ProcessPendingMessages();
  } while (FindNextFileW(find.get(), &entry));
  return deleted;
}

std::int32_t GetFileSizeByName(const std::wstring& path) {
  const std::wstring folder = FolderPart(path);
  if (folder.empty() || !SetCurrentDirectoryW(folder.c_str())) return 0;
  WIN32_FIND_DATAW entry;
  ScopedFind find(FindFirstFileW(path.c_str(), &entry));
  if (!find) return 0;
  std::int32_t size = 0;
  do {
    // Only the low 32 bits, taken signed: sizes of 2 GiB and more do not fit.
    size = static_cast<std::int32_t>(entry.nFileSizeLow);
  } while (FindNextFileW(find.get(), &entry));
  return size;
}

void GetTempFolder(std::wstring& variable) {
  // Ask for the length first, so a path of any length is read whole; retry if
  // the answer grew between the two calls.
  for (int attempt = 0; attempt < 3; ++attempt) {
    const DWORD needed = GetTempPathW(0, nullptr);
    if (needed == 0) return;
    std::wstring buffer(needed, L'\0');
    const DWORD length = GetTempPathW(needed, buffer.data());
    if (length == 0) return;
    if (length < needed) {
      buffer.resize(length);
      variable = buffer;
      return;
    }
  }
}

bool FileOperation(const std::wstring& operation, const std::wstring& source,
                   const std::wstring& destination, bool overwrite) {
  bool result = false;
  const std::wstring op = AsciiUpperCopy(operation);
  if (!FileExists(source)) return false;
  try {
    if (op == L"COPY") {
      CopyPrimitive(source, destination, overwrite);
      result = FileExists(destination);
    } else if (op == L"RENAME" || op == L"MOVE") {
      if (FileExists(destination) && overwrite) DeletePrimitive(destination);
      if (FileExists(destination)) return false;
      MovePrimitive(source, destination);
      result = FileExists(destination);
    } else if (op == L"DELETE") {
      try {
        DeletePrimitive(source);
      } catch (const InstallerError&) {
      }
      result = !FileExists(source);
    }
  } catch (const InstallerError&) {
  }
  return result;
}

}  // namespace tarifex
