#include "steps/fonts_engine.h"

#include <windows.h>

#include <string>

#include "app/installer_state.h"
#include "payload/archiver.h"
#include "payload/process_launch.h"
#include "payload/process_list.h"
#include "payload/resources.h"
#include "ui/app_window.h"
#include "ui/main_window.h"
#include "ui/wait_dialog.h"
#include "util/file_helpers.h"
#include "util/registry.h"
#include "util/text_rules.h"

namespace tarifex {
namespace {

constexpr wchar_t kShellFoldersKey[] = L"Software\\MicroSoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr wchar_t kFontsValue[] = L"Fonts";
constexpr wchar_t kFontsResource[] = L"Fonts";
constexpr wchar_t kFontsArchiveName[] = L"Fonts";
constexpr wchar_t kEngineArchiveName[] = L"BDE.rar";
constexpr wchar_t kEngineFolderName[] = L"BDE\\";
constexpr wchar_t kEngineFolderNoSlash[] = L"BDE";
constexpr wchar_t kFollowEngineSetup[] = L"Пожалуйста следуйте инструкциям установки BDE ...";

// How long one pass of the wait sleeps unless a window message arrives first.
constexpr DWORD kWaitPassMilliseconds = 100;

constexpr EngineVariant kEngine64{L"BDE_64", L"bde64.exe", L"Setup.exe"};
constexpr EngineVariant kEngine32{L"BDE_32", L"bde32.exe", L"_INS0432._MP"};

using IsWow64ProcessFunction = BOOL(WINAPI*)(HANDLE, PBOOL);

bool EngineSetupRunning(const EngineVariant& variant) {
  return IsProcessRunning(variant.otherProcess, false) || IsProcessRunning(variant.installer, false);
}

}  // namespace

bool IsWow64() {
  // Looked up at run time: older systems have no such function.
  HMODULE kernel = GetModuleHandleW(L"Kernel32.dll");
  if (!kernel) return false;
  const auto isWow64Process =
      reinterpret_cast<IsWow64ProcessFunction>(reinterpret_cast<void*>(GetProcAddress(kernel, "IsWow64Process")));
  if (!isWow64Process) return false;
  BOOL wow64 = FALSE;
  return isWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

EngineVariant EngineVariantFor(bool wow64) { return wow64 ? kEngine64 : kEngine32; }

void InstallFontsStep() {
  const InstallerState& state = State();
  const std::wstring fontsFolder = ReadRegString(HKEY_CURRENT_USER, kShellFoldersKey, kFontsValue, false);
  const std::wstring archive = state.WorkFolder + kFontsArchiveName;
  SaveResourceToFile(kFontsResource, archive);
  // Without the value the destination would be the root of the current drive.
  if (fontsFolder.empty()) return;
  ExtractFromPayload(archive, L"*.*", EnsureTrailingBackslash(fontsFolder), state.PayloadPassword);
}

void InstallEngineStep() { InstallEngineStepFor(IsWow64()); }

void InstallEngineStepFor(bool wow64) {
  InstallFontsStep();

  const InstallerState& state = State();
  const EngineVariant variant = EngineVariantFor(wow64);
  const std::wstring archive = state.WorkFolder + kEngineArchiveName;
  const std::wstring engineFolder = state.WorkFolder + kEngineFolderName;
  SaveResourceToFile(variant.resource, archive);
  ExtractFromPayload(archive, variant.installer, engineFolder, state.EngineArchivePassword);
  ShellOpen(L"open", engineFolder + variant.installer, L"", SW_SHOWNORMAL);

  frmTmp().ShowModal();

  // The engine setup runs on its own; the window must keep repainting while
  // the user goes through it, without keeping a processor busy.
  while (EngineSetupRunning(variant)) {
    frmMain().SetText(Control::lbl_1, kFollowEngineSetup);
    // The new text's own repaint is handled first, or it would end every
    // wait at once.
    ProcessPendingMessages();
    MsgWaitForMultipleObjectsEx(0, nullptr, kWaitPassMilliseconds, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    ProcessPendingMessages();
  }

  DeleteFileW(archive.c_str());
  DeleteFilesByMask(state.WorkFolder + kEngineFolderNoSlash, L"*.*");
}

}  // namespace tarifex
