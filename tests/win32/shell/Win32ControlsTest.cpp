// Win32Controls on real controls of a hidden window (skipped where Wine
// has no display to make windows on).
#include <windows.h>

#include <gtest/gtest.h>

#include "app/ControlIds.h"
#include "win32/shell/TemplateWindow.h"
#include "win32/shell/Win32Controls.h"

namespace lirosa {
namespace {

// Notices the controls send while no change of the logic's is under way:
// the window would take those for the user's.
int commandsSeen = 0;
const Win32Controls* watched = nullptr;

LRESULT CALLBACK CountCommands(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && watched && !watched->Quiet()) ++commandsSeen;
  return DefWindowProcW(window, message, wParam, lParam);
}

class Win32ControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &CountCommands;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"Win32ControlsTest";
    RegisterClassW(&windowClass);
    parent_ = CreateWindowExW(0, L"Win32ControlsTest", L"", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600,
                              nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!parent_) GTEST_SKIP() << "no display to make windows on";
    font_ = CreateDialogFont();
    controls_ = std::make_unique<Win32Controls>(
        BuildControls(MainDialogTemplate(), parent_, font_, DialogUnits{}));
    watched = controls_.get();
    commandsSeen = 0;
  }
  void TearDown() override {
    watched = nullptr;
    controls_.reset();
    if (parent_) DestroyWindow(parent_);
    if (font_) DeleteObject(font_);
  }
  HWND parent_ = nullptr;
  HFONT font_ = nullptr;
  std::unique_ptr<Win32Controls> controls_;
};

TEST_F(Win32ControlsTest, TextsRoundTripAndKeepBytesThatAreNotUtf8) {
  Win32Controls& c = *controls_;
  c.SetText(kIdRequest1, "01 03\r\n打开串口");
  EXPECT_EQ(c.Text(kIdRequest1), "01 03\r\n打开串口");
  // Bytes that are not UTF-8 come back unchanged while the box shows them.
  c.SetText(kIdRequest2, "A\xFF\xFE" "B");
  EXPECT_EQ(c.Text(kIdRequest2), "A\xFF\xFE" "B");
  c.SetText(kIdOpenClose, "关闭串口");
  EXPECT_EQ(c.Text(kIdOpenClose), "关闭串口");
  EXPECT_EQ(c.Text(99999), "");
  // None of this is a notification from the user.
  EXPECT_EQ(commandsSeen, 0);
}

TEST_F(Win32ControlsTest, ListsSelectByIndexAndTypedTextIsNoSelection) {
  Win32Controls& c = *controls_;
  c.SetListIndex(kIdBaudList, 6);
  EXPECT_EQ(c.ListIndex(kIdBaudList), 6);
  EXPECT_EQ(c.Text(kIdBaudList), "9600");
  c.SetListIndex(kIdBaudList, 999);
  EXPECT_EQ(c.ListIndex(kIdBaudList), -1);
  c.SetText(kIdBaudList, "12345");  // typed into an editable list
  EXPECT_EQ(c.ListIndex(kIdBaudList), -1);
  EXPECT_EQ(c.Text(kIdBaudList), "12345");

  c.SetListEntries(kIdPortList, {{"COM1", ""}, {"COM2", ""}, {"COM7", "USB"}});
  c.SetListIndex(kIdPortList, 2);
  // New entries keep the selected one where it still is, and its text.
  c.SetListEntries(kIdPortList, {{"COM7", "USB"}, {"COM1", ""}});
  EXPECT_EQ(c.ListIndex(kIdPortList), 0);
  EXPECT_EQ(c.ListEntries(kIdPortList)[0].description, "USB");
  c.SetText(kIdPortList, "COM33");
  c.SetListEntries(kIdPortList, {{"COM1", ""}});
  EXPECT_EQ(c.Text(kIdPortList), "COM33");
  EXPECT_EQ(c.ListIndex(kIdPortList), -1);
  EXPECT_EQ(commandsSeen, 0);
}

TEST_F(Win32ControlsTest, ChecksEnablingVisibilityAndGeometry) {
  Win32Controls& c = *controls_;
  c.SetCheck(kIdHex1, 1);
  EXPECT_EQ(c.Check(kIdHex1), 1);
  c.SetCheck(kIdHex1, 2);  // indeterminate even on a two-state box
  EXPECT_EQ(c.Check(kIdHex1), 2);
  c.SetCheck(kIdHex1, 0);
  EXPECT_EQ(c.Check(kIdHex1), 0);
  c.SetCheck(kIdPacingResponse, 1);
  EXPECT_EQ(c.Check(kIdPacingResponse), 1);
  EXPECT_EQ(c.Check(kIdRequest1), 0);  // not a button

  c.Enable(kIdSend1, false);
  EXPECT_FALSE(c.IsEnabled(kIdSend1));
  c.Enable(kIdSend1, true);
  EXPECT_TRUE(c.IsEnabled(kIdSend1));
  // Visibility is the control's own, the window being hidden.
  EXPECT_TRUE(c.IsVisible(kIdSend1));
  EXPECT_FALSE(c.IsVisible(kIdHiddenStatic));
  c.Show(kIdSend1, false);
  EXPECT_FALSE(c.IsVisible(kIdSend1));

  const Rect place{10, 20, 60, 24};
  c.Move(kIdSend1, place);
  EXPECT_EQ(c.Geometry(kIdSend1), place);
  // A closed list keeps its height in the layout's terms; its open list
  // stays as deep as before.
  const Rect list{30, 40, 70, 21};
  c.Move(kIdBaudList, list);
  EXPECT_EQ(c.Geometry(kIdBaudList).x, 30);
  EXPECT_EQ(c.Geometry(kIdBaudList).width, 70);
  EXPECT_EQ(commandsSeen, 0);
}

}  // namespace
}  // namespace lirosa
