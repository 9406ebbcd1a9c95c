// Every caption of the main window, the checksum dialog and the about box
// fits its control as built, and so do the captions the window logic sets
// later, measured with the font the control was given: clipping shows here
// on any machine whose fonts differ from the author's.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "app/ControlIds.h"
#include "support/RunTimeCaptions.h"
#include "win32/shell/CaptionFonts.h"
#include "win32/shell/TemplateWindow.h"
#include "win32/shell/WideText.h"
#include "win32/shell/Win32Controls.h"

namespace lirosa {
namespace {

struct Extent {
  int width;
  int height;
};

// A label breaks its caption into lines at its width; other captions stay
// on one line.
Extent CaptionExtent(HWND control, ControlKind kind, const std::wstring& caption, int width) {
  HDC dc = GetDC(control);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
  Extent extent{};
  if (kind == ControlKind::Label) {
    RECT box{0, 0, width, 0};
    DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &box,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    extent = {box.right, box.bottom};
  } else {
    SIZE size{};
    GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &size);
    extent = {size.cx, size.cy};
  }
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  return extent;
}

bool HasCaption(ControlKind kind) {
  return kind == ControlKind::PushButton || kind == ControlKind::CheckBox ||
         kind == ControlKind::ThreeStateCheckBox || kind == ControlKind::RadioButton ||
         kind == ControlKind::GroupBox || kind == ControlKind::Label;
}

int CharacterPixels(HFONT font) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return metrics.tmHeight - metrics.tmInternalLeading;
}

class CaptionFitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    parent_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    if (!parent_) GTEST_SKIP() << "no display to make windows on";
  }
  void TearDown() override {
    if (parent_) DestroyWindow(parent_);
    DeleteObject(font_);
  }

  // Every captioned child of the parent: the numbered ones by their kind,
  // the unnumbered labels found by their class and style.
  int ExpectCaptionsFit(const char* name, const ControlWindows& built) {
    int measured = 0;
    for (HWND control = GetWindow(parent_, GW_CHILD); control;
         control = GetWindow(control, GW_HWNDNEXT)) {
      ControlKind kind = ControlKind::Label;
      auto found = built.find(GetDlgCtrlID(control));
      if (found != built.end()) {
        kind = found->second.kind;
      } else {
        wchar_t className[16] = {};
        GetClassNameW(control, className, 16);
        if (lstrcmpiW(className, L"STATIC") != 0 ||
            (GetWindowLongW(control, GWL_STYLE) & SS_TYPEMASK) > SS_RIGHT) {
          continue;  // frames, pictures and group boxes without a number
        }
      }
      if (!HasCaption(kind) || !(GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE)) continue;
      std::wstring caption = WindowTextOf(control);
      while (!caption.empty() && caption.back() == L' ') caption.pop_back();
      if (caption.empty()) continue;
      RECT client{};
      GetClientRect(control, &client);
      const int room = CaptionRoom(kind, client.right);
      const Extent extent = CaptionExtent(control, kind, caption, room);
      const std::string where = std::string(name) + " " + std::to_string(GetDlgCtrlID(control)) +
                                " \"" + Narrow(caption) + "\"";
      ++measured;
      EXPECT_LE(extent.width, room) << where;
      // A group box's caption sits on its frame line, above its top.
      if (kind != ControlKind::GroupBox) {
        EXPECT_LE(extent.height, client.bottom) << where;
      }
      EXPECT_GE(CharacterPixels(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0))),
                CaptionFonts::kSmallestPixels)
          << where;
    }
    return measured;
  }

  void DestroyChildren() {
    for (HWND child = GetWindow(parent_, GW_CHILD); child; child = GetWindow(parent_, GW_CHILD)) {
      DestroyWindow(child);
    }
  }

  HWND parent_ = nullptr;
  HFONT font_ = CreateDialogFont();
};

TEST_F(CaptionFitTest, EveryTemplateCaptionFitsItsControl) {
  CaptionFonts fonts(font_);
  const std::pair<const char*, const DialogTemplate*> templates[] = {
      {"main", &MainDialogTemplate()},
      {"checksum", &ChecksumDialogTemplate()},
      {"about", &AboutDialogTemplate()}};
  int measured = 0;
  for (const auto& [name, layout] : templates) {
    measured += ExpectCaptionsFit(name, BuildControls(*layout, parent_, font_, DialogUnits{}, &fonts));
    DestroyChildren();
  }
  EXPECT_GT(measured, 50);
}

TEST_F(CaptionFitTest, CaptionsTheLogicSetsFitToo) {
  CaptionFonts fonts(font_);
  Win32Controls controls(BuildControls(MainDialogTemplate(), parent_, font_, DialogUnits{}, &fonts),
                         &fonts);
  for (const auto& [id, text] : test::kRunTimeCaptions) {
    controls.SetText(id, text);
    EXPECT_GT(ExpectCaptionsFit(text, controls.Windows()), 50);
  }
  // Back to a short caption, the control has the dialog font again.
  controls.SetText(kIdOpenClose, "Старт");
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(controls.Window(kIdOpenClose), WM_GETFONT, 0, 0)),
            font_);
}

TEST(CaptionFontsTest, StepsDownByWidthAndHeightNeverBelowTheSmallestSize) {
  HFONT base = CreateDialogFont();
  CaptionFonts fonts(base);
  HDC dc = GetDC(nullptr);
  const std::wstring caption = L"ключевое слово";
  SIZE natural{};
  HGDIOBJ old = SelectObject(dc, base);
  GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &natural);
  const struct {
    const char* what;
    CaptionLayout layout;
    int room;
    int height;
    bool keepsDialogFont;
  } cases[] = {
      {"fits as it is", CaptionLayout::OneLine, natural.cx, natural.cy, true},
      {"too narrow", CaptionLayout::OneLine, natural.cx * 8 / 10, natural.cy, false},
      {"too low", CaptionLayout::OneLine, natural.cx, natural.cy - 2, false},
      {"low on a frame, where height does not count", CaptionLayout::OnFrame, natural.cx, 1, true},
      {"two lines where there is room for them", CaptionLayout::Wrapped, natural.cx * 7 / 10,
       natural.cy * 2, true},
      {"one line of a label", CaptionLayout::Wrapped, natural.cx * 9 / 10, natural.cy, false},
  };
  for (const auto& c : cases) {
    HFONT font = fonts.FontFor(dc, caption, c.layout, c.room, c.height);
    SelectObject(dc, font);
    EXPECT_TRUE(CaptionFitsIn(dc, caption, c.layout, c.room, c.height)) << c.what;
    EXPECT_EQ(font == base, c.keepsDialogFont) << c.what;
    EXPECT_GE(CharacterPixels(font), CaptionFonts::kSmallestPixels) << c.what;
  }
  // Far too little room: the smallest, narrowest step, which still is not
  // small enough.
  HFONT smallest = fonts.FontFor(dc, caption, CaptionLayout::OneLine, 10, 5);
  SelectObject(dc, smallest);
  EXPECT_FALSE(CaptionFitsIn(dc, caption, CaptionLayout::OneLine, 10, 5));
  EXPECT_EQ(CharacterPixels(smallest), CaptionFonts::kSmallestPixels);
  SIZE narrowest{};
  GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &narrowest);
  EXPECT_LT(narrowest.cx, natural.cx * 9 / 12 * 80 / 100);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  DeleteObject(base);
}

}  // namespace
}  // namespace lirosa
