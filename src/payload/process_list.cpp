#include "payload/process_list.h"

#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <string_view>

#include "util/scoped_handle.h"
#include "util/text_rules.h"

namespace tarifex {
namespace {

// The longest path Windows can hand out, terminating NUL included.
constexpr DWORD kLongestPathUnits = 32768;

// The records whose sizes the platform checks must have their documented sizes
// in the shipped 32-bit build.
static_assert(sizeof(OSVERSIONINFOW) == 276);
#if !defined(_WIN64)
static_assert(sizeof(PROCESSENTRY32W) == 556);
#endif

// Text of a buffer the platform filled: up to its first NUL, never past its end.
std::wstring BufferText(const wchar_t* buffer, std::size_t units) {
  return std::wstring(buffer, std::find(buffer, buffer + units, L'\0'));
}

// A longer path is truncated silently to fit (the service returns the capacity
// or one less), so a result that fills the usual buffer is read once more into
// a buffer of the longest Windows path. Every call is told the true capacity.
std::wstring ReadModulePath(HANDLE process, HMODULE module) {
  wchar_t buffer[kModulePathBufferUnits] = {};
  const DWORD length = GetModuleFileNameExW(process, module, buffer, kModulePathBufferUnits);
  if (length == 0) return {};
  if (length < kModulePathBufferUnits - 1) return BufferText(buffer, length);

  std::vector<wchar_t> large(kLongestPathUnits, L'\0');
  const DWORD longLength = GetModuleFileNameExW(process, module, large.data(), kLongestPathUnits);
  if (longLength == 0 || longLength >= kLongestPathUnits - 1) return {};
  return BufferText(large.data(), longLength);
}

std::wstring ReadImageName(HANDLE process) {
  std::vector<wchar_t> buffer(kLongestPathUnits, L'\0');
  DWORD size = kLongestPathUnits;
  if (!QueryFullProcessImageNameW(process, 0, buffer.data(), &size)) return {};
  return BufferText(buffer.data(), std::min(size, kLongestPathUnits));
}

void AppendPsapiProcesses(std::vector<std::wstring>* list) {
  DWORD ids[kMaxProcessIds];
  DWORD filledBytes = 0;
  // Without a successful enumeration there is no count to trust.
  if (!EnumProcesses(ids, sizeof ids, &filledBytes)) return;
  const DWORD count = std::min<DWORD>(filledBytes / sizeof(DWORD), kMaxProcessIds);
  for (DWORD i = 0; i < count; ++i) {
    // Idle, system, other users' and protected processes cannot be opened: left out.
    ScopedProcess process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, ids[i]));
    if (!process) continue;
    std::wstring path = ProcessImagePath(process.get());
    if (!path.empty()) list->push_back(std::move(path));
  }
}

void AppendSnapshotProcesses(std::vector<std::wstring>* list) {
  ScopedSnapshot snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
       more = Process32NextW(snapshot.get(), &entry)) {
    list->push_back(BufferText(entry.szExeFile, MAX_PATH));
  }
}

bool EntryMatches(const std::wstring& entry, const std::wstring& name, bool compareWholeEntry) {
  const std::wstring_view candidate =
      compareWholeEntry ? std::wstring_view(entry) : std::wstring_view(entry).substr(NameStart(std::wstring_view(entry)));
  return AsciiEqualsNoCase(candidate, std::wstring_view(name));
}

}  // namespace

std::wstring ProcessImagePath(HANDLE process) {
  // Fresh for every process: a failed query must never leave an earlier
  // process's module or path behind to be listed again.
  HMODULE module = nullptr;
  DWORD neededBytes = 0;
  // Room for one handle: the first module is the executable.
  if (EnumProcessModules(process, &module, sizeof module, &neededBytes) && module != nullptr) {
    std::wstring path = ReadModulePath(process, module);
    if (!path.empty()) return path;
  }
  return ReadImageName(process);
}

void ListRunningProcessesForPlatform(DWORD platformId, std::vector<std::wstring>* list) {
  if (list == nullptr) return;
  if (platformId == kPlatformWindows9x) {
    AppendSnapshotProcesses(list);
  } else if (platformId == kPlatformWindowsNt) {
    AppendPsapiProcesses(list);
  }
}

void ListRunningProcesses(std::vector<std::wstring>* list) {
  if (list == nullptr) return;
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof version;
  // An unanswered question is treated like an unknown platform family.
  if (!GetVersionExW(&version)) return;
  ListRunningProcessesForPlatform(version.dwPlatformId, list);
}

bool ProcessListHas(const std::vector<std::wstring>& list, const std::wstring& name, bool compareWholeEntry) {
  return std::any_of(list.begin(), list.end(),
                     [&](const std::wstring& entry) { return EntryMatches(entry, name, compareWholeEntry); });
}

bool IsProcessRunning(const std::wstring& name, bool compareWholeEntry) {
  std::vector<std::wstring> list;
  ListRunningProcesses(&list);
  return ProcessListHas(list, name, compareWholeEntry);
}

}  // namespace tarifex
