// Every caption of the main window, the checksum dialog and the about box
// fits its control as built, measured with the font the control was given:
// clipping shows here on any machine whose fonts differ from the author's.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

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

// A label wraps at its width; other captions stay on one line.
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

TEST(CaptionFitTest, EveryCaptionFitsItsControl) {
  HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  if (!parent) GTEST_SKIP() << "no display to make windows on";
  HFONT font = CreateDialogFont();
  CaptionFonts fonts(font);
  const struct {
    const char* name;
    const DialogTemplate& layout;
  } templates[] = {{"main", MainDialogTemplate()},
                   {"checksum", ChecksumDialogTemplate()},
                   {"about", AboutDialogTemplate()}};
  int measured = 0;
  for (const auto& t : templates) {
    const ControlWindows built = BuildControls(t.layout, parent, font, DialogUnits{}, &fonts);
    for (HWND control = GetWindow(parent, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
      const int id = GetDlgCtrlID(control);
      ControlKind kind = ControlKind::Label;
      auto found = built.find(id);
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
      if (!HasCaption(kind)) continue;
      std::wstring caption = WindowTextOf(control);
      while (!caption.empty() && caption.back() == L' ') caption.pop_back();
      if (caption.empty()) continue;
      RECT client{};
      GetClientRect(control, &client);
      const int room = CaptionRoom(kind, client.right);
      const Extent extent = CaptionExtent(control, kind, caption, room);
      ++measured;
      if (getenv("LIROSA_CAPTIONS")) printf("%s %d %-24s room %d x %ld text %d x %d\n", t.name, id, Narrow(caption).c_str(), room, client.bottom, extent.width, extent.height);
      EXPECT_LE(extent.width, room) << t.name << " " << id << " \"" << Narrow(caption) << "\"";
      if (kind != ControlKind::GroupBox) {
        EXPECT_LE(extent.height, client.bottom) << t.name << " " << id << " \"" << Narrow(caption) << "\"";
      }
    }
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(parent, GW_CHILD)) {
      DestroyWindow(child);
    }
  }
  EXPECT_GT(measured, 50);
  DestroyWindow(parent);
  DeleteObject(font);
}

}  // namespace
}  // namespace lirosa
