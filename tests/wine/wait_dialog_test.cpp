// The wait dialog on a real window: each modal showing ends by its own timer,
// or at once by the close box, and the main window takes no input meanwhile.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/harness.h"
#include "support/test_window.h"
#include "ui/wait_dialog.h"

namespace tarifex::test {
namespace {

TfrmTmp& TestWaitDialog() { return TfrmTmp::Create(GetModuleHandleW(nullptr), TestWindow().hwnd()); }

std::wstring Caption(HWND hwnd) {
  wchar_t text[256] = {};
  GetWindowTextW(hwnd, text, 256);
  return text;
}

TEST(WaitDialog, IsCreatedHiddenWithItsTexts) {
  TfrmTmp& dialog = TestWaitDialog();
  EXPECT_FALSE(IsWindowVisible(dialog.hwnd()));
  EXPECT_EQ(Caption(dialog.hwnd()), L"Запуск приложения ...");
  RECT client{};
  GetClientRect(dialog.hwnd(), &client);
  EXPECT_EQ(client.right, 192);
  EXPECT_EQ(client.bottom, 49);
  std::vector<std::wstring> labels;
  for (HWND child = GetWindow(dialog.hwnd(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    labels.push_back(Caption(child));
  EXPECT_NE(std::find(labels.begin(), labels.end(), L"Пожалуйста подождите ..."), labels.end());
  wchar_t cls[64] = {};
  GetClassNameW(dialog.hwnd(), cls, 64);
  EXPECT_STREQ(cls, L"TfrmTmp");
}

TEST(WaitDialog, EachShowingEndsByItsTimerAndTheOwnerIsDisabledMeanwhile) {
  TfrmTmp& dialog = TestWaitDialog();
  HWND owner = TestWindow().hwnd();
  bool ownerDisabledDuringShow = false, visibleDuringShow = false;
  // Looks at the windows from inside the modal loop, one second in.
  static bool* disabledFlag;
  static bool* visibleFlag;
  static HWND watched[2];
  disabledFlag = &ownerDisabledDuringShow;
  visibleFlag = &visibleDuringShow;
  watched[0] = owner;
  watched[1] = dialog.hwnd();
  const UINT_PTR probe = SetTimer(nullptr, 0, 1000, [](HWND, UINT, UINT_PTR id, DWORD) {
    *disabledFlag = !IsWindowEnabled(watched[0]);
    *visibleFlag = IsWindowVisible(watched[1]);
    KillTimer(nullptr, id);
  });
  for (int showing = 0; showing < 2; ++showing) {
    SCOPED_TRACE(showing);
    const ULONGLONG start = GetTickCount64();
    dialog.ShowModal();
    const ULONGLONG lasted = GetTickCount64() - start;
    EXPECT_GE(lasted, 2900u);
    EXPECT_LT(lasted, 8000u);
    EXPECT_FALSE(IsWindowVisible(dialog.hwnd()));
    EXPECT_TRUE(IsWindowEnabled(owner));
  }
  KillTimer(nullptr, probe);
  EXPECT_TRUE(ownerDisabledDuringShow);
  EXPECT_TRUE(visibleDuringShow);
}

TEST(WaitDialog, TheCloseBoxEndsTheShowingAtOnceAndTheLateTimerChangesNothing) {
  TfrmTmp& dialog = TestWaitDialog();
  static HWND target;
  target = dialog.hwnd();
  SetTimer(nullptr, 0, 300, [](HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    PostMessageW(target, WM_CLOSE, 0, 0);
  });
  const ULONGLONG start = GetTickCount64();
  dialog.ShowModal();
  EXPECT_LT(GetTickCount64() - start, 2500u);
  EXPECT_FALSE(IsWindowVisible(dialog.hwnd()));
  // The dialog's own timer still fires once, on the hidden dialog.
  const ULONGLONG until = GetTickCount64() + 3500;
  MSG msg;
  while (GetTickCount64() < until) {
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    Sleep(20);
  }
  EXPECT_FALSE(IsWindowVisible(dialog.hwnd()));
  EXPECT_TRUE(IsWindowEnabled(TestWindow().hwnd()));
}

}  // namespace
}  // namespace tarifex::test
