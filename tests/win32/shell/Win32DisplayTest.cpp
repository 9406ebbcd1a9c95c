// The traffic display of a real main window under the user's hand: scrolled
// up or with a selection it stays put while records arrive; at the end, or
// after End, it follows them again. Skipped where no window can be made.
#include <windows.h>

#include <richedit.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/ControlIds.h"
#include "win32/shell/MainWindow.h"

namespace lirosa {
namespace {

class Win32DisplayTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    LoadLibraryW(L"Msftedit.dll");
    window_ = new MainWindow;
    if (!window_->Create(GetModuleHandleW(nullptr))) {
      delete window_;
      window_ = nullptr;
    }
  }
  static void TearDownTestSuite() {
    delete window_;
    window_ = nullptr;
  }
  void SetUp() override {
    if (!window_) GTEST_SKIP() << "no display to make windows on";
    display_ = window_->Controls().Window(kIdTrafficView);
    ASSERT_NE(display_, nullptr);
    window_->Traffic().Clear();
    for (int i = 0; i < 200; ++i) Record(i);
  }
  void Record(int n) {
    window_->Traffic().Append("01 03 " + std::to_string(n) + "\r", kReceivedColour);
  }
  int FirstVisibleLine() const {
    return static_cast<int>(SendMessageW(display_, EM_GETFIRSTVISIBLELINE, 0, 0));
  }
  CHARRANGE Selection() const {
    CHARRANGE range{};
    SendMessageW(display_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
    return range;
  }
  LONG Length() const {
    GETTEXTLENGTHEX query{GTL_NUMCHARS | GTL_PRECISE, 1200};
    return static_cast<LONG>(SendMessageW(display_, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&query), 0));
  }
  void Wheel(int clicks) {
    RECT r{};
    GetWindowRect(display_, &r);
    SendMessageW(display_, WM_MOUSEWHEEL, MAKEWPARAM(0, clicks * WHEEL_DELTA),
                 MAKELPARAM(r.left + 20, r.top + 20));
  }
  static MainWindow* window_;
  HWND display_ = nullptr;
};

MainWindow* Win32DisplayTest::window_ = nullptr;

TEST_F(Win32DisplayTest, FollowsTheNewestRecordAtTheEnd) {
  const int bottom = FirstVisibleLine();
  EXPECT_GT(bottom, 100);
  for (int i = 0; i < 20; ++i) Record(i);
  EXPECT_EQ(FirstVisibleLine(), bottom + 20);
  EXPECT_EQ(Selection().cpMin, Length());
}

TEST_F(Win32DisplayTest, ScrolledUpByTheWheelTheViewStaysAndFollowsAgainAtTheBottom) {
  Wheel(10);
  const int top = FirstVisibleLine();
  ASSERT_LT(top, 190);
  for (int i = 0; i < 30; ++i) Record(i);
  EXPECT_EQ(FirstVisibleLine(), top);
  // The caret that sat at the end is still at the end, for typed text.
  EXPECT_EQ(Selection().cpMin, Length());
  EXPECT_EQ(Selection().cpMax, Length());
  SendMessageW(display_, WM_VSCROLL, SB_BOTTOM, 0);
  const int bottom = FirstVisibleLine();
  EXPECT_GT(bottom, top);
  for (int i = 0; i < 5; ++i) Record(i);
  EXPECT_EQ(FirstVisibleLine(), bottom + 5);
}

TEST_F(Win32DisplayTest, ASelectionStaysWhileRecordsArriveAndEndFollowsAgain) {
  const int bottom = FirstVisibleLine();
  // A selection of the last record, the view still at the bottom.
  const LONG length = Length();
  CHARRANGE chosen{length - 6, length - 1};
  SendMessageW(display_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&chosen));
  ASSERT_EQ(FirstVisibleLine(), bottom);
  for (int i = 0; i < 20; ++i) Record(i);
  EXPECT_EQ(FirstVisibleLine(), bottom);
  EXPECT_EQ(Selection().cpMin, chosen.cpMin);
  EXPECT_EQ(Selection().cpMax, chosen.cpMax);
  // The selected text is what Copy puts on the clipboard.
  SendMessageW(display_, WM_COPY, 0, 0);
  ASSERT_TRUE(OpenClipboard(nullptr));
  HANDLE data = GetClipboardData(CF_UNICODETEXT);
  std::wstring copied = data ? static_cast<const wchar_t*>(GlobalLock(data)) : L"";
  if (data) GlobalUnlock(data);
  CloseClipboard();
  EXPECT_EQ(copied, L"3 199");
  SendMessageW(display_, WM_KEYDOWN, VK_END, 0);
  EXPECT_EQ(Selection().cpMin, Length());
  const int end = FirstVisibleLine();
  EXPECT_EQ(end, bottom + 20);
  for (int i = 0; i < 3; ++i) Record(i);
  EXPECT_EQ(FirstVisibleLine(), end + 3);
}

}  // namespace
}  // namespace lirosa
