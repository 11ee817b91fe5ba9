// The installer's real main window inside the test process, for tests that
// run its handlers directly, and the process state those handlers change.
#pragma once

#include <string>

#include "ui/main_window.h"

namespace tarifex::test {

// The one main window of the process, created hidden on first use. Every call
// puts the controls that start-up and detection write back into their creation
// state (texts, captions, enabled and ticked states), so tests do not see each
// other's values.
TfrmMain& TestWindow();

// The process's current folder, put back when the owner goes.
class ScopedCurrentFolder {
 public:
  ScopedCurrentFolder();
  ~ScopedCurrentFolder();
  ScopedCurrentFolder(const ScopedCurrentFolder&) = delete;
  ScopedCurrentFolder& operator=(const ScopedCurrentFolder&) = delete;

 private:
  std::wstring folder_;
};

// The process's current folder as the system reports it.
std::wstring CurrentFolder();

// Removes, in the 32-bit registry view, every place the detection looks at:
// the keys SOFTWARE\LUM\TARIFEX, SOFTWARE\LUM-TESSARON\Tarifex and
// SOFTWARE\LUM\ZedOV, and the value InstallPath of SOFTWARE\LUM.
void RemoveInstallationKeys();

// Removes the keys when the owner is made and again when it goes.
class ScopedInstallationKeys {
 public:
  ScopedInstallationKeys() { RemoveInstallationKeys(); }
  ~ScopedInstallationKeys() { RemoveInstallationKeys(); }
  ScopedInstallationKeys(const ScopedInstallationKeys&) = delete;
  ScopedInstallationKeys& operator=(const ScopedInstallationKeys&) = delete;
};

}  // namespace tarifex::test
