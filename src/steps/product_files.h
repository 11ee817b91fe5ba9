// The install step that puts the product's files on disk, driven by the
// payload's manifests resinfo.ini (which members, in which order) and
// verinfo.ini (where each goes, under which name, whether an existing copy is
// kept), followed by the pictures, reports and database tables by category,
// the payload's own copy in the product folder and the removal of stale files.
#pragma once

#include <string>

namespace tarifex {

// The step for the payload beside the installer. Runs on the user-interface
// thread with the main window's gauge g1 and status label lbl_1 showing its
// progress; the gauge is hidden again and the label emptied at the end.
// Extraction, deletion and rename failures are ignored (a member that could
// not be extracted is simply missing). Throws InstallerError when resinfo.ini
// cannot be read (before the gauge is shown), and when the payload cannot be
// copied into the product folder (the stale-file removal then does not run and
// the gauge stays visible).
void InstallProductFilesStep();

// The same for a payload at another path (the installer passes its own).
void InstallProductFilesFrom(const std::wstring& payload);

}  // namespace tarifex
