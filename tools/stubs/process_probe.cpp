// A program that only waits, so that tests can see it in the process list
// under whatever file name they copied it to.
//
//   process-probe.exe [MILLISECONDS [READY-EVENT]]
//
// Sets the named event READY-EVENT, if given, once it runs (the loader has
// finished, so its module list can be read), then waits MILLISECONDS (default
// 60000) and ends with exit code 0. The time limit means a probe whose test
// died never stays behind for long; tests still end their probes themselves.
#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
  DWORD milliseconds = 60000;
  if (argc > 1) {
    wchar_t* end = nullptr;
    const unsigned long value = std::wcstoul(argv[1], &end, 10);
    if (end == argv[1] || *end != L'\0') return 2;
    milliseconds = value;
  }
  if (argc > 2) {
    HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[2]);
    if (ready == nullptr) return 3;
    SetEvent(ready);
    CloseHandle(ready);
  }
  Sleep(milliseconds);
  return 0;
}
