#include "steps/product_files.h"

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "app/installer_state.h"
#include "payload/archiver.h"
#include "steps/manifest_rules.h"
#include "ui/app_window.h"
#include "ui/main_window.h"
#include "util/ansi_text.h"
#include "util/file_helpers.h"
#include "util/ini_file.h"
#include "util/installer_error.h"
#include "util/scoped_handle.h"

namespace tarifex {
namespace {

constexpr wchar_t kMemberListFile[] = L"resinfo.ini";
constexpr wchar_t kVersionFile[] = L"verinfo.ini";

constexpr wchar_t kInstallPathKey[] = L"InstallPath";
constexpr wchar_t kFileNameKey[] = L"FName";
constexpr wchar_t kReadOnlyKey[] = L"ReadOnly";

constexpr wchar_t kPleaseWaitText[] = L"Пожалуйста подождите, идет установка \"Тарифэкс";
constexpr wchar_t kCopyingFileText[] = L"Копирую файл: \r";

constexpr wchar_t kPictureFolder[] = L"TARIFEX\\PIC\\";
constexpr wchar_t kReportFolder[] = L"TARIFEX\\RBC\\";
constexpr wchar_t kTableFolder[] = L"Data\\NSIData\\";

struct Category {
  const wchar_t* status;
  const wchar_t* mask;
  const wchar_t* folder;  // below the install root
};

// Pictures, reports and database tables go by mask into fixed folders, each
// keeping the path it has inside the payload.
constexpr Category kCategories[] = {
    {L"Копирую PIC: \rBMP", L"*.BMP", kPictureFolder},
    {L"Копирую PIC: \rGIF", L"*.GIF", kPictureFolder},
    {L"Копирую PIC: \rJPG", L"*.JPG", kPictureFolder},
    {L"Копирую PIC: \rJPEG", L"*.JPEG", kPictureFolder},
    {L"Копирую PIC: \rTIF", L"*.TIF", kPictureFolder},
    {L"Копирую RBC \r ", L"*.RBC", kReportFolder},
    {L"Копирую базу \rDB", L"*.DB", kTableFolder},
    {L"Копирую базу \rMB", L"*.MB", kTableFolder},
    {L"Копирую базу \rXG", L"*.XG*", kTableFolder},
    {L"Копирую базу \rYG", L"*.YG*", kTableFolder},
    {L"Копирую базу \rFAM", L"*.FAM", kTableFolder},
    {L"Копирую базу \rPX", L"*.PX", kTableFolder},
};

constexpr wchar_t kInstalledPayload[] = L"TARIFEX\\txTopics.lum";
constexpr wchar_t kMovedAsidePayload[] = L"TARIFEX\\txTopics.lum.old";
constexpr wchar_t kProductFolder[] = L"TARIFEX\\";
constexpr wchar_t kOtherEditionExe[] = L"ZedOv.exe";
constexpr wchar_t kHelpFolder[] = L"Tarifex\\htm";
constexpr wchar_t kStaleFiles[][24] = {L"Tarifex\\TX.exe", L"Tarifex\\TXhv.exe"};
constexpr wchar_t kUpdatesFile[] = L"Tarifex\\Updates.ini";

std::wstring ToWide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }
std::u16string ToUtf16(std::wstring_view text) { return std::u16string(text.begin(), text.end()); }

std::u16string DecodeAnsi(std::string_view bytes) { return ToUtf16(FromAnsi(bytes)); }

// The member list, one member per line. A file that cannot be opened or read
// raises an error naming it: without the list there is nothing to install.
std::vector<std::wstring> ReadMemberListFile(const std::wstring& path) {
  ScopedFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) ThrowSystemError(L"Cannot open file \"" + path + L"\"", GetLastError());
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size)) ThrowSystemError(L"Cannot read file \"" + path + L"\"", GetLastError());
  std::string bytes(std::size_t(size.QuadPart), '\0');
  DWORD got = 0;
  if (!bytes.empty() && (!ReadFile(file.get(), bytes.data(), DWORD(bytes.size()), &got, nullptr) ||
                         got != bytes.size()))
    ThrowSystemError(L"Cannot read file \"" + path + L"\"", GetLastError());

  std::vector<std::wstring> members;
  for (const std::u16string& line : ReadMemberList(bytes, DecodeAnsi)) members.push_back(ToWide(line));
  return members;
}

// Copies the payload into the product folder, replacing a copy there.
void CopyPayloadInto(const std::wstring& payload, const std::wstring& root) {
  if (!FileExists(payload)) throw InstallerError(L"File not found: " + payload);
  const std::wstring folder = root + kProductFolder;
  if (!FolderExists(folder)) throw InstallerError(L"Folder not found: " + folder);
  const std::wstring target = root + kInstalledPayload;
  if (!CopyFileW(payload.c_str(), target.c_str(), FALSE))
    ThrowSystemError(L"Cannot copy " + payload + L" to " + target, GetLastError());
}

}  // namespace

void InstallProductFilesStep() { InstallProductFilesFrom(PayloadArchivePath()); }

void InstallProductFilesFrom(const std::wstring& payload) {
  const InstallerState& state = State();
  const std::wstring& root = state.InstallRoot;
  const std::wstring& password = state.PayloadPassword;
  TfrmMain& window = frmMain();

  ExtractFromPayload(payload, kMemberListFile, state.WorkFolder, password);
  ExtractFromPayload(payload, kVersionFile, state.WorkFolder, password);
  const std::vector<std::wstring> members = ReadMemberListFile(state.WorkFolder + kMemberListFile);
  const std::wstring versionFile = state.WorkFolder + kVersionFile;

  window.SetGaugeProgress(0);
  window.SetGaugeMax(int(members.size()));
  window.SetVisible(Control::g1, true);
  window.SetText(Control::lbl_1, kPleaseWaitText + state.EditionSuffix + L"\"");
  ProcessPendingMessages();

  std::wstring lastTarget;
  for (std::size_t i = 0; i < members.size(); ++i) {
    const std::wstring& member = members[i];
    // The gauge stands on the member being installed, so it ends at count - 1.
    window.SetGaugeProgress(int(i));
    ProcessPendingMessages();
    if (IsSkippedMember(ToUtf16(member))) continue;

    const std::wstring target = root + ReadIniString(versionFile, member, kInstallPathKey, L"");
    const std::wstring name = ReadIniString(versionFile, member, kFileNameKey, member);
    const bool keepExisting = IniFlagIsSet(ToUtf16(ReadIniString(versionFile, member, kReadOnlyKey, L"")));
    lastTarget = target;

    window.SetText(Control::lbl_1, kCopyingFileText + target + name);
    EnsureFolder(target);
    const std::wstring installed = target + name;
    if (!keepExisting) DeleteFileW(installed.c_str());
    if (keepExisting && FileExists(installed)) continue;
    ExtractFromPayload(payload, member, target, password);
    // When the old file under the new name could not be deleted the rename
    // fails and the member stays beside it under its own name.
    if (member != name) MoveFileW((target + member).c_str(), installed.c_str());
  }

  for (const Category& category : kCategories) {
    window.SetText(Control::lbl_1, category.status);
    ExtractFromPayload(payload, category.mask, root + category.folder, password);
  }

  window.SetText(Control::lbl_1, kCopyingFileText + lastTarget + kPayloadFileName);
  // A read-only old copy cannot be deleted; moved aside, it no longer blocks the copy.
  const std::wstring installedPayload = root + kInstalledPayload;
  if (!DeleteFileW(installedPayload.c_str()))
    MoveFileW(installedPayload.c_str(), (root + kMovedAsidePayload).c_str());
  CopyPayloadInto(payload, root);

  for (const wchar_t* stale : kStaleFiles) DeleteFileW((root + stale).c_str());
  const std::wstring otherEdition = state.MainExeName == kOtherEditionExe ? kMainExeName : kOtherEditionExe;
  DeleteFileW((root + L"Tarifex\\" + otherEdition).c_str());
  DeleteFilesByMask(root + kHelpFolder, L"*.*");
  DeleteFileW((root + kUpdatesFile).c_str());

  window.SetVisible(Control::g1, false);
  window.SetText(Control::lbl_1, L"");
  window.SetGaugeProgress(0);
}

}  // namespace tarifex
