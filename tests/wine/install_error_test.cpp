// An error that escapes an installation step: its box is shown, and after it
// the window lets the user leave (the gauge hidden, the close button enabled),
// while the install button stays disabled.
#include <windows.h>

#include <gtest/gtest.h>

#include "support/harness.h"
#include "support/install_sandbox.h"
#include "support/installer_media.h"
#include "support/ui_driver.h"
#include "util/scoped_handle.h"

namespace tarifex::test {
namespace {

TEST(InstallError, AfterTheErrorBoxTheWindowCanBeClosed) {
  InstallSandbox sandbox;
  const std::wstring installer = PrepareMedia(sandbox.media(), DemoPayload());
  // The product files step ends by copying the payload into the product
  // folder; a copy held open without sharing makes that copy fail.
  const std::wstring product = sandbox.driveFolder() + L"LUM\\Tarifex\\";
  CreateDirectoryW((sandbox.driveFolder() + L"LUM").c_str(), nullptr);
  CreateDirectoryW(product.c_str(), nullptr);
  WriteFile(product + L"txTopics.lum", "held");
  ScopedFile held(CreateFileW((product + L"txTopics.lum").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(held);

  InstallerRun run(installer, L"");
  run.OpenComponents();
  run.SetBox(kChkBDE, false);
  run.Click(kBtnInstall);

  HWND box = run.WaitForMessageBox(120000);
  ASSERT_NE(box, nullptr) << "no error box came";
  const std::wstring text = MessageBoxText(box);
  EXPECT_NE(text.find(L"txTopics.lum"), std::wstring::npos) << Utf8(text);
  // While the box is up the installation is still where the error stopped it.
  EXPECT_TRUE(run.Visible(kG1));
  run.Dismiss(box);

  EXPECT_TRUE(WaitUntil([&] { return !run.Visible(kG1) && run.Enabled(kBtnClose); }, 15000));
  EXPECT_FALSE(run.Enabled(kBtnInstall));
  EXPECT_NE(run.Text(kLbl11), kFinishedText);
  held.reset();

  // The close guard no longer refuses: the window closes and the installer ends.
  run.Click(kBtnClose);
  EXPECT_EQ(run.WaitForExit(20000), 0u);
  EXPECT_EQ(run.WaitForMessageBox(0), nullptr);
  sandbox.EndStartedPrograms();
}

}  // namespace
}  // namespace tarifex::test
