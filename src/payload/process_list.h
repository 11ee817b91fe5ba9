// Whether a program with a given executable name is running: the executable
// paths of all running processes are listed afresh for every question and
// their file names compared with the name asked for. Nothing is cached.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace tarifex {

// Platform ids as GetVersionExW reports them.
inline constexpr DWORD kPlatformWindows9x = 1;  // VER_PLATFORM_WIN32_WINDOWS
inline constexpr DWORD kPlatformWindowsNt = 2;  // VER_PLATFORM_WIN32_NT

// At most this many process identifiers are examined on the NT family.
inline constexpr DWORD kMaxProcessIds = 1024;
// Size in UTF-16 units of the first buffer a module path is read into.
inline constexpr DWORD kModulePathBufferUnits = 301;

// Appends one entry per running process, in the order the platform delivers
// them, using the enumeration the system's platform family calls for. Does
// nothing without a list; an unknown platform family leaves it unchanged.
void ListRunningProcesses(std::vector<std::wstring>* list);

// The same with the platform id given: 1 walks a ToolHelp snapshot (entries are
// the snapshot's executable-file field; on NT systems that is the bare name),
// 2 enumerates with PSAPI (entries are full paths), anything else adds nothing.
// Processes that cannot be opened, or whose path cannot be read, add nothing.
void ListRunningProcessesForPlatform(DWORD platformId, std::vector<std::wstring>* list);

// The full executable path of an open process: its first module's path, or
// when the module cannot be queried (a 64-bit process seen from a 32-bit one,
// a handle without read access) the image name the system keeps for it.
// Empty when neither can be read. Paths of any length are read whole.
std::wstring ProcessImagePath(HANDLE process);

// True when some entry matches the name: the whole entry (compareWholeEntry)
// or the part after its last "\" or ":", with ASCII letters compared without
// case and every other character by its code unit.
bool ProcessListHas(const std::vector<std::wstring>& list, const std::wstring& name, bool compareWholeEntry);

// Lists the running processes and looks for the name as ProcessListHas does.
// False when nothing matches or nothing could be listed.
bool IsProcessRunning(const std::wstring& name, bool compareWholeEntry);

}  // namespace tarifex
