// The main window's own behaviour on a real window: controls at their
// places with their creation states, the close guard, the component panel.
#include <gtest/gtest.h>

#include "support/harness.h"
#include "support/test_window.h"
#include "support/ui_driver.h"
#include "ui/event_boundary.h"
#include "ui/main_window.h"
#include "util/installer_error.h"

namespace tarifex::test {
namespace {

RECT DesignRectOf(TfrmMain& w, Control c) {
  RECT r{};
  HWND h = w.Handle(c);
  GetWindowRect(h, &r);
  MapWindowPoints(nullptr, GetParent(h), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

TEST(MainWindow, ControlsStartWhereAndHowTheWindowDefinesThem) {
  TfrmMain& w = TestWindow();
  RECT client{};
  GetClientRect(w.hwnd(), &client);
  ASSERT_EQ(w.Scale(96), 96) << "this test expects the prefix at 96 DPI";
  EXPECT_EQ(client.right, 406);
  EXPECT_EQ(client.bottom, 525);
  wchar_t cls[64] = {};
  GetClassNameW(w.hwnd(), cls, 64);
  EXPECT_STREQ(cls, L"TfrmMain");
  EXPECT_EQ(GetWindowLongW(w.hwnd(), GWL_STYLE) & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0);
  EXPECT_NE(GetWindowLongW(w.hwnd(), GWL_STYLE) & WS_MINIMIZEBOX, 0);

  struct Expected {
    Control c;
    const char* name;
    int left, top, width, height;
    const wchar_t* text;
    bool visible;
  };
  const Expected table[] = {
      {Control::lbl_1, "lbl_1", 118, 409, 283, 47, L"", true},
      {Control::g1, "g1", 8, 493, 206, 20, nullptr, false},
      {Control::sb1, "sb1", 10, 416, 93, 34, L"Компоненты", true},
      {Control::lbl_2, "lbl_2", 113, 403, 261, 16, nullptr, true},
      {Control::lbl_11, "lbl_11", 114, 421, 261, 16, nullptr, true},
      {Control::lbl_12, "lbl_12", 112, 439, 263, 17, nullptr, true},
      {Control::chk1, "chk1", 48, 490, 169, 26, L"Запустить установленную программу", false},
      {Control::Diredt1, "Diredt1", 112, 462, 286, 21, nullptr, true},
      {Control::btnClose, "btnClose", 227, 490, 80, 25, L"Закрыть", true},
      {Control::btn_install, "btn_install", 313, 489, 80, 25, nullptr, true},
      {Control::chkBDE, "chkBDE", 40, 33, 42, 21, L"BDE", true},
  };
  for (const auto& e : table) {
    SCOPED_TRACE(e.name);
    const RECT r = DesignRectOf(w, e.c);
    EXPECT_EQ(r.left, e.left);
    EXPECT_EQ(r.top, e.top);
    EXPECT_EQ(r.right - r.left, e.width);
    EXPECT_EQ(r.bottom - r.top, e.height);
    if (e.text) EXPECT_EQ(w.Text(e.c), e.text);
    EXPECT_EQ(w.Visible(e.c), e.visible);
  }
  // The auto-sized label stands at its place; its size follows the font.
  EXPECT_EQ(DesignRectOf(w, Control::lbljvlbl6).left, 8);
  EXPECT_EQ(DesignRectOf(w, Control::lbljvlbl6).top, 466);
  EXPECT_EQ(w.Text(Control::lbljvlbl6), L"Путь установки:");
  EXPECT_TRUE(w.Checked(Control::chk1));
  EXPECT_TRUE(w.Checked(Control::chkBDE));
  EXPECT_FALSE(w.Enabled(Control::chkBDE));
  EXPECT_TRUE(w.Checked(Control::chk_exe));
  EXPECT_FALSE(w.Visible(Control::pnl2));
  EXPECT_EQ(w.GaugeProgress(), 0);
  EXPECT_EQ(w.GaugeMax(), 100);
  EXPECT_EQ(WindowText(w.Handle(Control::g1)), L"0%");
  // The folder field is not a tab stop; the buttons are.
  EXPECT_EQ(GetWindowLongW(w.Handle(Control::Diredt1), GWL_STYLE) & WS_TABSTOP, 0);
  EXPECT_EQ(GetNextDlgTabItem(w.hwnd(), nullptr, FALSE), w.Handle(Control::btn_install));
}

TEST(MainWindow, GaugeShowsItsPercentage) {
  TfrmMain& w = TestWindow();
  w.SetGaugeMax(8);
  w.SetGaugeProgress(3);
  EXPECT_EQ(WindowText(w.Handle(Control::g1)), L"37%");
  w.SetGaugeProgress(8);
  EXPECT_EQ(WindowText(w.Handle(Control::g1)), L"100%");
  w.SetGaugeMax(100);
  w.SetGaugeProgress(0);
}

TEST(MainWindow, CloseGuardRefusesOnlyWhileTheGaugeIsVisible) {
  TfrmMain& w = TestWindow();
  w.SetVisible(Control::g1, true);
  {
    MessageCapture capture;
    SendMessageW(w.hwnd(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(w.hwnd()));
    EXPECT_EQ(capture.texts(), std::vector<std::wstring>{L"Нельзя прерывать процесс установки.\rПодождите"});
  }
  w.SetVisible(Control::g1, false);
  MessageCapture capture;
  EXPECT_TRUE(w.FormCloseQuery());
  EXPECT_TRUE(capture.messages().empty());
}

TEST(MainWindow, ComponentsButtonGrowsThePanelAndHidesItAgain) {
  TfrmMain& w = TestWindow();
  SendMessageW(w.Handle(Control::sb1), BM_CLICK, 0, 0);
  EXPECT_TRUE(w.Visible(Control::pnl2));
  EXPECT_EQ(w.DesignSize(Control::pnl2).cx, 267);
  EXPECT_EQ(w.DesignSize(Control::pnl2).cy, 89);
  const RECT r = DesignRectOf(w, Control::pnl2);
  EXPECT_EQ(r.left, 11);
  EXPECT_EQ(r.top, 326);
  EXPECT_EQ(r.right - r.left, 267);
  EXPECT_EQ(r.bottom - r.top, 89);

  SendMessageW(w.Handle(Control::sb1), BM_CLICK, 0, 0);
  EXPECT_FALSE(w.Visible(Control::pnl2));
  EXPECT_EQ(w.DesignSize(Control::pnl2).cx, 267);

  // A click that arrives while the panel grows hides it; the growth runs on hidden.
  PostMessageW(w.Handle(Control::sb1), BM_CLICK, 0, 0);
  w.sb1Click();
  EXPECT_FALSE(w.Visible(Control::pnl2));
  EXPECT_EQ(w.DesignSize(Control::pnl2).cx, 267);
  EXPECT_EQ(w.DesignSize(Control::pnl2).cy, 89);
}

TEST(MainWindow, AnEscapedErrorIsShownInTheErrorBoxAndTheWindowGoesOn) {
  TfrmMain& w = TestWindow();
  MessageCapture capture;
  bool after = false;
  RunHandler([] { throw InstallerError(L"Cannot create file \"C:\\W\\sz.exe\""); });
  RunHandler([&] { after = true; });
  ASSERT_EQ(capture.messages().size(), 1u);
  EXPECT_TRUE(capture.messages()[0].error);
  EXPECT_EQ(capture.messages()[0].text, L"Cannot create file \"C:\\W\\sz.exe\"");
  EXPECT_TRUE(after);
  EXPECT_TRUE(IsWindow(w.hwnd()));
}

}  // namespace
}  // namespace tarifex::test
