// install-benchmark PAYLOAD: how long the installer takes to install a payload
// of many small members, against the lower bound of one archiver run that
// extracts the whole payload at once, measured in the same run under Wine.
// Not a test: it prints its figures and asserts nothing. Runs inside a Wine
// test session (tools/wine/session), which serves the drive letters; see
// run-install-benchmark.sh beside it.
//
// Besides the two main figures it measures what one archiver run costs on its
// own (a bare start, and one member out of this payload), and how much
// processor time the installer uses while it waits for the engine installer.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "app/installer_state.h"
#include "payload/archiver_command.h"
#include "support/harness.h"
#include "support/install_sandbox.h"
#include "support/installer_media.h"
#include "support/ui_driver.h"
#include "util/scoped_handle.h"

using namespace tarifex;
using namespace tarifex::test;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRepeats = 5;
constexpr wchar_t kEngineRunsMs[] = L"8000";

double Seconds(Clock::time_point from, Clock::time_point to) { return std::chrono::duration<double>(to - from).count(); }

// Runs the archiver hidden, as the installer does, and waits; wall seconds.
double RunArchiver(const std::wstring& archiver, const std::wstring& arguments) {
  std::wstring commandLine = L"\"" + archiver + L"\" " + arguments;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION pi{};
  const auto start = Clock::now();
  if (!CreateProcessW(archiver.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                      nullptr, &si, &pi))
    return -1;
  CloseHandle(pi.hThread);
  WaitForSingleObject(pi.hProcess, INFINITE);
  CloseHandle(pi.hProcess);
  return Seconds(start, Clock::now());
}

double CpuSeconds(HANDLE process) {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
  auto ticks = [](const FILETIME& t) { return (ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
  return double(ticks(kernel) + ticks(user)) / 1e7;
}

std::size_t CountFiles(const std::wstring& folder) {
  std::size_t n = 0;
  for (const auto& name : TreeListing(folder))
    if (name.back() != L'\\') ++n;
  return n;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: install-benchmark PAYLOAD\n");
    return 2;
  }
  const std::wstring payload = argv[1];
  InstallSandbox sandbox;
  const std::wstring installer = PrepareMedia(sandbox.media(), payload);
  const std::wstring archiver = BuildDir() + L"resources\\sz.exe";  // 7z.dll lies beside it

  // The lower bound: the whole payload in one archiver run.
  TempDir whole;
  const double wholeRun = RunArchiver(archiver, BuildArchiverArguments<std::wstring>(payload, L"*", whole.path(),
                                                                                    kPayloadPassword));
  const std::size_t members = CountFiles(whole.path()) - 2;  // without the two manifests

  // What one run costs: one member out of a payload of three, and out of this one.
  const std::wstring tiny = FixturePath(L"install-checks\\small.lum");
  double bare = 0, single = 0;
  for (int i = 0; i < kRepeats; ++i) {
    TempDir small;
    bare += RunArchiver(archiver, BuildArchiverArguments<std::wstring>(tiny, L"TARIFEX.exe", small.path(),
                                                                       kPayloadPassword)) / kRepeats;
    TempDir one;
    single += RunArchiver(archiver, BuildArchiverArguments<std::wstring>(payload, L"TARIFEX.exe", one.path(),
                                                                         kPayloadPassword)) / kRepeats;
  }

  // The installer, driven as a user would, engine included.
  ScopedVariable engineRuns(L"TARIFEX_ENGINE_AUTOFINISH", kEngineRunsMs);
  InstallerRun run(installer, L"");
  const auto clicked = Clock::now();
  run.Click(kBtnInstall);
  Clock::time_point dialogGone{}, gaugeShown{}, categories{}, gaugeHidden{}, finished{};
  bool dialogSeen = false;
  double cpuAtDialogGone = 0, cpuAtGauge = 0;
  WaitUntil([&] {
    const auto now = Clock::now();
    const bool dialog = WaitForWindow(run.process().pid(), L"TfrmTmp", 0) != nullptr;
    if (dialog) dialogSeen = true;
    if (dialogSeen && !dialog && dialogGone == Clock::time_point{}) {
      dialogGone = now;
      cpuAtDialogGone = CpuSeconds(run.process().handle());
    }
    const bool gauge = run.Visible(kG1);
    if (gauge && gaugeShown == Clock::time_point{}) {
      gaugeShown = now;
      cpuAtGauge = CpuSeconds(run.process().handle());
    }
    if (gaugeShown != Clock::time_point{} && categories == Clock::time_point{} &&
        run.Text(kLbl1).rfind(L"Копирую PIC", 0) == 0)
      categories = now;
    if (gaugeShown != Clock::time_point{} && !gauge && gaugeHidden == Clock::time_point{}) gaugeHidden = now;
    if (run.Text(kLbl11) == kFinishedText || run.WaitForMessageBox(0)) {
      finished = now;
      return true;
    }
    return false;
  }, 3600 * 1000);
  const double cpuTotal = CpuSeconds(run.process().handle());
  const bool ok = run.Text(kLbl11) == kFinishedText;
  const std::size_t installed = CountFiles(sandbox.driveFolder() + L"LUM\\");

  std::printf("payload members (without manifests):     %zu\n", members);
  std::printf("one archiver run, whole payload:         %.2f s  (%.4f s per member)\n", wholeRun,
              wholeRun / double(members));
  std::printf("one member out of 3 members (avg of %d):  %.3f s\n", kRepeats, bare);
  std::printf("one member out of this payload (avg):    %.3f s\n", single);
  if (!ok) {
    std::printf("the installation did not finish\n");
    return 1;
  }
  const double loop = Seconds(gaugeShown, categories);
  std::printf("installer, member loop:                  %.1f s  (%.4f s per member, %.0f x the lower bound)\n",
              loop, loop / double(members), loop / wholeRun);
  std::printf("installer, categories to end of step:    %.1f s\n", Seconds(categories, gaugeHidden));
  std::printf("installer, press to finish:              %.1f s  (files under the root: %zu)\n",
              Seconds(clicked, finished), installed);
  const double wait = Seconds(dialogGone, gaugeShown);
  std::printf("engine wait after the dialog:            %.1f s wall, %.2f s installer CPU (%.1f %%)\n", wait,
              cpuAtGauge - cpuAtDialogGone, wait > 0 ? 100.0 * (cpuAtGauge - cpuAtDialogGone) / wait : 0.0);
  std::printf("installer CPU, whole run:                %.1f s\n", cpuTotal);
  PostMessageW(run.window(), WM_CLOSE, 0, 0);
  run.WaitForExit(15000);
  return 0;
}
