// The first show of the main window: the work folder with the archiver, the
// payload's version, the product identity and the title, then the detection.
// An error raised by any step ends the sequence there; the window boundary
// reports it.
#include <initializer_list>

#include "app/detection_rules.h"
#include "app/installer_state.h"
#include "payload/archiver.h"
#include "payload/crc32.h"
#include "payload/resources.h"
#include "ui/main_window.h"
#include "util/file_helpers.h"
#include "util/ini_file.h"
#include "util/text_rules.h"

namespace tarifex {
namespace {

constexpr wchar_t kProductName[] = L"Тарифэкс";
constexpr wchar_t kTitleStart[] = L"Installer - «";
constexpr wchar_t kTitleVersion[] = L"» версия ";

// Resources written into the work folder, in this order.
struct ToolFile {
  const wchar_t* resource;
  const wchar_t* file;
};
constexpr ToolFile kArchiverFiles[] = {
    {L"sz", L"sz.exe"},
    {L"7zdll", L"7z.dll"},
    {L"7zipdll", L"7-zip.dll"},
};

constexpr wchar_t kVersionManifest[] = L"verinfo.ini";
constexpr wchar_t kResourceManifest[] = L"resinfo.ini";

}  // namespace

void TfrmMain::FormShow() {
  InstallerState& state = State();
  BuildCrc32Table(state.Crc32Table);

  // Should the system give no temporary folder, the work folder is "\".
  std::wstring temp;
  GetTempFolder(temp);
  state.WorkFolder = EnsureTrailingBackslash(temp);
  EnsureFolder(state.WorkFolder);

  for (const ToolFile& tool : kArchiverFiles) SaveResourceToFile(tool.resource, state.WorkFolder + tool.file);

  // A missing payload or manifest is not reported: the version then reads "0".
  // Manifests left in the temporary folder by an earlier run go first, or a
  // missing payload would show (and later install by) their stale version.
  const std::wstring payload = PayloadArchivePath();
  for (const wchar_t* manifest : {kVersionManifest, kResourceManifest})
    FileOperation(L"delete", state.WorkFolder + manifest, L"", false);
  ExtractFromPayload(payload, kVersionManifest, state.WorkFolder, state.PayloadPassword);
  ExtractFromPayload(payload, kResourceManifest, state.WorkFolder, state.PayloadPassword);

  state.MainExeName = kMainExeName;
  state.EditionSuffix = L"";
  state.ProductKey = kProductKey;

  const std::wstring manifest = state.WorkFolder + kVersionManifest;
  state.NewVersion = ReadIniString(manifest, kVersionSection, kVersionKey, kMissingVersion);
  state.NewBuild = ReadIniString(manifest, kVersionSection, kBuildKey, kMissingVersion);

  SetCaption(kTitleStart + (kProductName + state.EditionSuffix) + kTitleVersion + state.NewVersion + L"." +
             state.NewBuild);
  SetText(Control::chk_exe, kProductName + state.EditionSuffix);

  Setup_Initialization();
}

}  // namespace tarifex
