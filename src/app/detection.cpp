// Detection of an earlier installation: where it lies, which version it has,
// and the window prepared for a new installation, a replacement or a repair.
#include <windows.h>

#include "app/detection_rules.h"
#include "app/folder_rules.h"
#include "app/installer_state.h"
#include "ui/main_window.h"
#include "util/file_helpers.h"
#include "util/ini_file.h"
#include "util/registry.h"

namespace tarifex {

void TfrmMain::Setup_Initialization() {
  InstallerState& state = State();
  const std::wstring productKey = kProductKeyParent + state.ProductKey;

  std::wstring path;
  for (const InstallPathProbe& probe : InstallPathProbes(state.ProductKey)) {
    if (!path.empty()) break;
    path = RemoveEvery(ReadRegString(HKEY_LOCAL_MACHINE, probe.key, probe.valueName, probe.createKey),
                       probe.removedText);
  }

  // The installed version file wins over the values the installer recorded.
  const std::wstring versionFile = path + kInstalledVersionFile;
  if (FileExists(versionFile)) {
    state.InstalledVersion = ReadIniString(versionFile, kVersionSection, kVersionKey, kMissingVersion);
    state.InstalledBuild = ReadIniString(versionFile, kVersionSection, kBuildKey, kMissingVersion);
  } else {
    state.InstalledVersion = ReadRegString(HKEY_LOCAL_MACHINE, productKey, kInstalledVersionValue, true);
    state.InstalledBuild = ReadRegString(HKEY_LOCAL_MACHINE, productKey, kInstalledBuildValue, true);
  }

  const bool mainExePresent = !path.empty() && FileExists(path + kInstalledProgramFolder + state.MainExeName);
  const InstallMode mode = DecideInstallMode(path, mainExePresent, state.InstalledVersion, state.InstalledBuild,
                                             state.NewVersion, state.NewBuild);

  SetText(Control::lbl_1, L"");

  if (mode == InstallMode::NewInstall) {
    SetEnabled(Control::Diredt1, true);
    SetEnabled(Control::chkBDE, true);
    SetChecked(Control::chkBDE, true);
    if (!path.empty()) {
      SetText(Control::Diredt1, path + kProductFolder);
      SetChecked(Control::chkBDE, false);
    } else if (SetCurrentDirectoryW(kDriveDRoot)) {
      // The probe is the change of folder itself; the process stays on D:\.
      SetText(Control::Diredt1, kDriveDFolder);
      path = kDriveDInstallRoot;
    } else {
      path = kFallbackInstallRoot;
    }
  } else {
    // The folder of the installation found is fixed, and its engine is there.
    SetText(Control::Diredt1, path + kProductFolder);
    SetEnabled(Control::Diredt1, false);
    SetEnabled(Control::chkBDE, true);
    SetChecked(Control::chkBDE, false);
  }

  const ModeTexts texts = TextsForMode(mode, state.EditionSuffix, state.InstalledVersion, state.InstalledBuild,
                                       state.NewVersion, state.NewBuild);
  SetText(Control::lbl_2, texts.lbl_2);
  SetText(Control::lbl_11, texts.lbl_11);
  SetText(Control::lbl_12, texts.lbl_12);
  SetText(Control::btn_install, texts.btn_install);

  state.InstallRoot = path;
}

}  // namespace tarifex
