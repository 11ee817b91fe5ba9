// Path, folder and file helpers that every part of the installer stands on.
// Each creates the platform objects it needs and releases them before it
// returns; none keeps state. DeleteFilesByMask and GetFileSizeByName change
// the process's current directory and leave it changed.
#pragma once

#include <cstdint>
#include <string>

namespace tarifex {

// Creates the folder with every missing parent. On failure shows
// "Не хавтает прав создать директорию " + folder (as passed) and returns;
// it never throws and the caller goes on.
void EnsureFolder(const std::wstring& folder);

// Deletes the files matching mask directly in folder (not recursive), handling
// pending window messages before each entry and after each deletion. Entries
// whose attributes are exactly FILE_ATTRIBUTE_DIRECTORY are skipped; any other
// entry is passed to the file deletion (read-only files and folders with more
// attribute bits then fail and are not counted). Returns how many were deleted;
// 0 for a missing or unenterable folder or no match.
int DeleteFilesByMask(const std::wstring& folder, const std::wstring& mask);

// Size of the last entry matching path (which may hold wildcards), as the low
// 32 bits taken signed: a 3 GiB file reports a negative number. 0 for a missing
// or unenterable folder part or no match; a folder counts with size 0.
std::int32_t GetFileSizeByName(const std::wstring& path);

// Sets variable to the system's temporary folder (with its backslash). A path
// of any length is read whole; on failure the variable is left unchanged.
void GetTempFolder(std::wstring& variable);

// True when path names an existing file / folder.
bool FileExists(const std::wstring& path);
bool FolderExists(const std::wstring& path);

// "copy", "rename", "move" or "delete" (ASCII letters in any case). Never
// throws; false when the operation was not done or its outcome is not visible.
// copy: result is whether destination exists afterwards.
// rename/move: an existing destination is deleted first when overwrite is true;
//   if it still exists, false with both files untouched.
// delete: true when source no longer exists.
// A missing source, or an unknown operation name, gives false and does nothing.
bool FileOperation(const std::wstring& operation, const std::wstring& source,
                   const std::wstring& destination, bool overwrite);

}  // namespace tarifex
