// Running-process detection against real processes: the probe program is
// copied under chosen names and started, and the installer's questions are
// asked while it runs and after it has ended.
#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>
#include <winternl.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "payload/process_list.h"
#include "support/harness.h"
#include "util/scoped_handle.h"
#include "util/text_rules.h"

namespace tarifex::test {
namespace {

// A copy of the probe program at the given path.
std::wstring PlaceProbe(const std::wstring& path) {
  if (!CopyFileW(ProgramPath(L"process-probe.exe").c_str(), path.c_str(), FALSE))
    throw std::runtime_error("cannot copy the probe to " + Utf8(path));
  return path;
}

// The system's own process creation, used where CreateProcessW gives up: Wine's
// name lookup stops at MAX_PATH, the native call takes paths of any length.
struct NativeAttribute {
  ULONG_PTR attribute;
  SIZE_T size;
  void* value;
  SIZE_T* returnLength;
};
struct NativeAttributeList {
  SIZE_T totalLength;
  NativeAttribute attributes[1];
};
constexpr ULONG_PTR kAttributeImageName = 0x20005;
constexpr ULONG kParametersNormalized = 1;
using CreateParametersFn = LONG(NTAPI*)(void**, const UNICODE_STRING*, const UNICODE_STRING*, const UNICODE_STRING*,
                                        const UNICODE_STRING*, PWSTR, const UNICODE_STRING*, const UNICODE_STRING*,
                                        const UNICODE_STRING*, const UNICODE_STRING*, ULONG);
using DestroyParametersFn = LONG(NTAPI*)(void*);
using CreateUserProcessFn = LONG(NTAPI*)(HANDLE*, HANDLE*, ACCESS_MASK, ACCESS_MASK, void*, void*, ULONG, ULONG, void*,
                                         void*, NativeAttributeList*);

UNICODE_STRING Counted(const std::wstring& text) {
  UNICODE_STRING u;
  u.Buffer = const_cast<wchar_t*>(text.c_str());
  u.Length = USHORT(text.size() * sizeof(wchar_t));
  u.MaximumLength = USHORT(u.Length + sizeof(wchar_t));
  return u;
}

template <class Fn>
Fn NtdllFunction(const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), name)));
}

// Starts exePath (a plain "C:\..." path of any length); returns the process handle.
HANDLE StartNative(const std::wstring& exePath, std::wstring commandLine) {
  const auto createParameters = NtdllFunction<CreateParametersFn>("RtlCreateProcessParametersEx");
  const auto destroyParameters = NtdllFunction<DestroyParametersFn>("RtlDestroyProcessParameters");
  const auto createUserProcess = NtdllFunction<CreateUserProcessFn>("NtCreateUserProcess");
  if (!createParameters || !destroyParameters || !createUserProcess)
    throw std::runtime_error("the native process calls are missing");

  const std::wstring folder = L"C:\\";
  const UNICODE_STRING image = Counted(exePath), command = Counted(commandLine), current = Counted(folder);
  void* parameters = nullptr;
  if (createParameters(&parameters, &image, nullptr, &current, &command, nullptr, nullptr, nullptr, nullptr, nullptr,
                       kParametersNormalized) != 0)
    throw std::runtime_error("cannot build the process parameters");
  std::wstring ntPath = L"\\??\\" + exePath;
  NativeAttributeList attributes{};
  attributes.totalLength = sizeof attributes;
  attributes.attributes[0] = {kAttributeImageName, ntPath.size() * sizeof(wchar_t), ntPath.data(), nullptr};
  alignas(8) unsigned char createInfo[256] = {};
  *reinterpret_cast<SIZE_T*>(createInfo) = 88;  // size of the 64-bit PS_CREATE_INFO
  HANDLE process = nullptr, thread = nullptr;
  const LONG status = createUserProcess(&process, &thread, PROCESS_ALL_ACCESS, THREAD_ALL_ACCESS, nullptr, nullptr, 0,
                                        0, parameters, createInfo, &attributes);
  destroyParameters(parameters);
  if (status != 0) throw std::runtime_error("cannot start " + Utf8(exePath) + ", status " + std::to_string(status));
  CloseHandle(thread);
  return process;
}

HANDLE StartWin32(const std::wstring& exePath, std::wstring commandLine) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(exePath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                      nullptr, &startup, &info))
    throw std::runtime_error("cannot start " + Utf8(exePath) + ", error " + std::to_string(GetLastError()));
  CloseHandle(info.hThread);
  return info.hProcess;
}

enum class Launch { Win32, Native };

// A started probe that has signalled it runs. Terminated and awaited when the
// guard goes, so no test leaves a process behind, also when it fails.
class RunningProbe {
 public:
  explicit RunningProbe(const std::wstring& exePath, Launch launch = Launch::Win32) {
    static int counter = 0;
    const std::wstring eventName =
        L"tarifex-probe-ready-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
    ScopedHandle<KernelHandleTraits> ready(CreateEventW(nullptr, TRUE, FALSE, eventName.c_str()));
    if (!ready) throw std::runtime_error("cannot create the ready event");
    const std::wstring commandLine = L"\"" + exePath + L"\" 60000 " + eventName;
    process_.reset(launch == Launch::Native ? StartNative(exePath, commandLine) : StartWin32(exePath, commandLine));
    const HANDLE waits[2] = {ready.get(), process_.get()};
    if (WaitForMultipleObjects(2, waits, FALSE, 10000) != WAIT_OBJECT_0) {
      Stop();
      throw std::runtime_error("the probe " + Utf8(exePath) + " did not come up");
    }
  }
  RunningProbe(const RunningProbe&) = delete;
  RunningProbe& operator=(const RunningProbe&) = delete;
  ~RunningProbe() { Stop(); }

  HANDLE handle() const { return process_.get(); }
  DWORD id() const { return GetProcessId(process_.get()); }

  // Ends the probe and waits until the system has let it go.
  void Stop() {
    if (!process_) return;
    TerminateProcess(process_.get(), 1);
    WaitForSingleObject(process_.get(), 10000);
    process_.reset();
  }

 private:
  ScopedProcess process_;
};

std::vector<std::wstring> NtList() {
  std::vector<std::wstring> list;
  ListRunningProcessesForPlatform(kPlatformWindowsNt, &list);
  return list;
}

std::string Describe(const std::vector<std::wstring>& list) {
  std::string text;
  for (const auto& entry : list) text += "  " + Utf8(entry) + "\n";
  return text;
}

struct NameCase {
  const wchar_t* runningName;
  const wchar_t* askedName;
  bool found;
};

TEST(ProcessList, FindsTheRunningProgramByFileName) {
  const NameCase cases[] = {
      {L"TARIFEX.EXE", L"TARIFEX.exe", true},
      {L"tarifex.exe", L"TARIFEX.exe", true},
      {L"TARIFEX.exe.old", L"TARIFEX.exe", false},
      {L"TARIFEX1.exe", L"TARIFEX.exe", false},
      {L"XTARIFEX.exe", L"TARIFEX.exe", false},  // only the whole file name counts, not its end
      {L"_INS0432._MP", L"_INS0432._MP", true},
      {L"_ins0432._mp", L"_INS0432._MP", true},
      // Non-ASCII letters match only in the same case; the ASCII ones in any case.
      {L"\u0422\u0410\u0420\u0418\u0424\u042D\u041A\u0421.exe", L"\u0422\u0410\u0420\u0418\u0424\u042D\u041A\u0421.EXE", true},
      {L"\u0422\u0410\u0420\u0418\u0424\u042D\u041A\u0421.exe", L"\u0442\u0430\u0440\u0438\u0444\u044D\u043A\u0441.exe", false},
      {L"\u0422\u0410\u0420\u0418\u0424\u042D\u041A\u0421.exe", L"\u0422\u0430\u0440\u0438\u0444\u044D\u043A\u0441.exe", false},
  };
  for (const NameCase& c : cases) {
    SCOPED_TRACE("running " + Utf8(c.runningName) + ", asked " + Utf8(c.askedName));
    TempDir dir;
    const std::wstring exe = PlaceProbe(dir / c.runningName);
    RunningProbe probe(exe);
    // The probe itself must be in the list, or a "not found" would prove nothing.
    const std::vector<std::wstring> list = NtList();
    ASSERT_TRUE(ProcessListHas(list, exe, true)) << Describe(list);
    EXPECT_EQ(IsProcessRunning(c.askedName, false), c.found);
  }
}

TEST(ProcessList, WholeEntryComparesTheFullPath) {
  TempDir dir;
  const std::wstring exe = PlaceProbe(dir / L"TARIFEX.exe");
  RunningProbe probe(exe);
  EXPECT_TRUE(IsProcessRunning(L"TARIFEX.exe", false));
  EXPECT_FALSE(IsProcessRunning(L"TARIFEX.exe", true));
  EXPECT_TRUE(IsProcessRunning(exe, true));
  EXPECT_TRUE(IsProcessRunning(AsciiLowerCopy(exe), true));
  EXPECT_FALSE(IsProcessRunning(exe + L".old", true));
}

TEST(ProcessList, AnEndedProgramIsNoLongerFound) {
  TempDir dir;
  const std::wstring exe = PlaceProbe(dir / L"ZedOv.exe");
  RunningProbe probe(exe);
  ASSERT_TRUE(IsProcessRunning(L"ZedOv.exe", false));
  probe.Stop();
  EXPECT_FALSE(IsProcessRunning(L"ZedOv.exe", false)) << Describe(NtList());
}

TEST(ProcessList, ProgramsOutsideTheDefaultBufferAreListedWhole) {
  // A folder chain deep enough that the executable's path passes 301 units.
  TempDir dir;
  std::wstring folder = L"\\\\?\\" + dir.path();
  const std::wstring segment(60, L'd');
  while (folder.size() < 400) {
    folder += segment + L"\\";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr)) << Utf8(folder);
  }
  const std::wstring exe = PlaceProbe(folder + L"TX.exe").substr(4);  // the plain path, without the prefix
  ASSERT_GT(exe.size(), 301u);
  RunningProbe probe(exe, Launch::Native);

  const std::vector<std::wstring> list = NtList();
  EXPECT_TRUE(ProcessListHas(list, exe, true)) << Describe(list);
  EXPECT_TRUE(AsciiEqualsNoCase<wchar_t>(ProcessImagePath(probe.handle()), exe));
  EXPECT_TRUE(IsProcessRunning(L"TX.exe", false));
  EXPECT_TRUE(ProcessListHas(list, L"TX.exe", false));
}

TEST(ProcessList, ImagePathWithoutReadAccessComesFromTheSystem) {
  TempDir dir;
  const std::wstring exe = PlaceProbe(dir / L"bde64.exe");
  RunningProbe probe(exe);

  // Without PROCESS_VM_READ the module list cannot be read; the path must still
  // be this process's own, never an earlier one's or garbage.
  ScopedProcess limited(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, probe.id()));
  ASSERT_TRUE(limited);
  HMODULE module = nullptr;
  DWORD needed = 0;
  if (K32EnumProcessModules(limited.get(), &module, sizeof module, &needed))
    GTEST_SKIP() << "this system reads module lists without PROCESS_VM_READ";
  EXPECT_TRUE(AsciiEqualsNoCase<wchar_t>(ProcessImagePath(limited.get()), exe)) << Utf8(ProcessImagePath(limited.get()));

  ScopedProcess full(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, probe.id()));
  ASSERT_TRUE(full);
  EXPECT_TRUE(AsciiEqualsNoCase<wchar_t>(ProcessImagePath(full.get()), exe)) << Utf8(ProcessImagePath(full.get()));
}

TEST(ProcessList, PlatformIdChoosesTheEnumeration) {
  TempDir dir;
  const std::wstring exe = PlaceProbe(dir / L"Setup.exe");
  RunningProbe probe(exe);

  // Unknown families add nothing and leave what the list held.
  for (DWORD other : {DWORD(0), DWORD(3), DWORD(0xFFFFFFFF)}) {
    SCOPED_TRACE("platform id " + std::to_string(other));
    std::vector<std::wstring> list = {L"kept"};
    ListRunningProcessesForPlatform(other, &list);
    EXPECT_EQ(list, std::vector<std::wstring>{L"kept"});
    EXPECT_FALSE(ProcessListHas(list, L"Setup.exe", false));
  }

  // The snapshot walk runs on NT systems too; there its entries are bare names.
  std::vector<std::wstring> snapshot = {L"kept"};
  ListRunningProcessesForPlatform(kPlatformWindows9x, &snapshot);
  ASSERT_GT(snapshot.size(), 1u);
  EXPECT_EQ(snapshot.front(), L"kept");
  EXPECT_TRUE(ProcessListHas(snapshot, L"setup.exe", false)) << Describe(snapshot);

  std::vector<std::wstring> nt = {L"kept"};
  ListRunningProcessesForPlatform(kPlatformWindowsNt, &nt);
  EXPECT_EQ(nt.front(), L"kept");
  EXPECT_TRUE(ProcessListHas(nt, exe, true)) << Describe(nt);

  // The system's own family is NT here; no list is no work.
  std::vector<std::wstring> own;
  ListRunningProcesses(&own);
  EXPECT_TRUE(ProcessListHas(own, exe, true));
  ListRunningProcesses(nullptr);
  ListRunningProcessesForPlatform(kPlatformWindowsNt, nullptr);
}

TEST(ProcessList, MatchingRulesOnListEntries) {
  const std::vector<std::wstring> list = {L"C:TARIFEX.EXE", L"", L"D:\\LUM\\TARIFEX\\TX.exe\\", L"Explorer.EXE"};
  struct Case {
    const wchar_t* name;
    bool whole;
    bool found;
  } cases[] = {
      {L"tarifex.exe", false, true},   // the part after ":" is the name
      {L"C:TARIFEX.EXE", true, true},
      {L"TX.exe", false, false},       // an entry ending in "\" has an empty name
      {L"explorer.exe", false, true},
      {L"explorer.exe", true, true},   // a bare entry is its own whole entry
      {L"", false, true},              // the empty entry and the trailing-backslash entry
      {L"EXPLORER", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf8(c.name) + (c.whole ? " whole" : " name"));
    EXPECT_EQ(ProcessListHas(list, c.name, c.whole), c.found);
  }
  EXPECT_FALSE(ProcessListHas({}, L"TARIFEX.exe", false));
}

}  // namespace
}  // namespace tarifex::test
