// The operations that end an installation: the registry record, the desktop
// shortcut, and the tools placed into the product folder with the installer's
// temporary files removed.
#pragma once

#include <objidl.h>
#include <wrl/client.h>

#include <string>

namespace tarifex {

// Writes InstallPath (InstallRoot as it is), Vers (NewVersion) and Build
// (NewBuild) under HKLM\SOFTWARE\LUM\<ProductKey> in the 32-bit view, creating
// the key. Throws InstallerError("Failed to set data for '<name>'") at the
// first value that cannot be written; later values are then not written.
void RegisterInstallation();

// Deletes the old and the network-edition shortcut from the all-users and the
// user's desktop (as Shell Folders "Common Desktop" and "Desktop" name them),
// then creates the user's shortcut to InstallRoot + "Tarifex\" + MainExeName,
// working in InstallRoot + "tarifex": "Справочник Тарифэкс.lnk", or the
// network-edition name when EditionSuffix is set. A desktop whose folder value
// cannot be read is left alone (for the user's desktop: no shortcut either).
// Throws InstallerError when the shell link object cannot be created.
void ReplaceDesktopShortcut();

// Creates a shell link with the target, arguments and working folder and
// saves it as linkFile; whether the save succeeded is not examined (an
// unsaved link is simply missing). Needs COM initialised on the thread.
// Throws InstallerError when the link object or one of its interfaces
// cannot be obtained. The caller releases the returned interface.
Microsoft::WRL::ComPtr<IPersistFile> CreateShortcut(const std::wstring& target, const std::wstring& arguments,
                                                    const std::wstring& workingFolder,
                                                    const std::wstring& linkFile);

// Extracts the payload's verinfo.ini into InstallRoot + "tarifex", writes the
// archiver, its two libraries and the download tool into InstallRoot +
// "Tarifex\", then deletes the work folder's copies of the main executable,
// the two manifests and the archiver, and the product folder's
// txTopics_mod.lum. Throws InstallerError when a tool cannot be written; the
// remaining tools and the deletions are then not done.
void FinishAndCleanUp();

}  // namespace tarifex
