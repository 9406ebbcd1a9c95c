#include "win32/shell/TemplateWindow.h"

#include <utility>
#include <vector>

#include "win32/shell/WideText.h"

namespace lirosa {

HFONT CreateDialogFont() {
  LOGFONTW font{};
  lstrcpynW(font.lfFaceName, L"Tahoma", LF_FACESIZE);
  font.lfHeight = -12;
  font.lfWeight = FW_NORMAL;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfQuality = DEFAULT_QUALITY;
  return CreateFontIndirectW(&font);
}

SIZE WindowSizeFor(const DialogTemplate& dialogTemplate, const DialogUnits& units, DWORD style,
                   DWORD exStyle) {
  RECT frame{0, 0, units.X(dialogTemplate.width), units.Y(dialogTemplate.height)};
  AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  return {frame.right - frame.left, frame.bottom - frame.top};
}

namespace {

bool Overlap(const Rect& a, const Rect& b) {
  return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

}  // namespace

LRESULT DialogFaceColour(HDC dc) {
  SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

ControlWindows BuildControls(const DialogTemplate& dialogTemplate, HWND parent, HFONT font,
                             const DialogUnits& units, CaptionFonts* fonts) {
  ControlWindows built;
  std::vector<HWND> frames;
  // Controls in template order with their rectangles, for the overlaps.
  std::vector<std::pair<HWND, Rect>> placed;
  const HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE));
  HDC screen = GetDC(nullptr);
  HGDIOBJ oldFont = SelectObject(screen, font);
  for (const ControlTemplate& control : dialogTemplate.controls) {
    ControlRecipe recipe = RecipeFor(control, units);
    if (control.id == kNoId && control.kind == ControlKind::Label && !control.text.empty()) {
      std::wstring text = Widen(control.text);
      while (!text.empty() && text.back() == L' ') text.pop_back();
      SIZE extent{};
      GetTextExtentPoint32W(screen, text.c_str(), static_cast<int>(text.size()), &extent);
      recipe.geometry = LabelRoom(dialogTemplate, control, extent.cx, extent.cy, units);
    }
    const Rect& g = recipe.geometry;
    // Unnumbered labels and frames share the platform's "no id" (0xFFFF).
    const auto menu = reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id == kNoId ? 0xFFFF : control.id));
    HWND window = CreateWindowExW(recipe.exStyle, recipe.className.c_str(),
                                  Widen(control.text).c_str(), recipe.style | WS_CLIPSIBLINGS,
                                  g.x, g.y, g.width, g.height, parent, menu, instance, nullptr);
    if (!window) continue;
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (fonts) fonts->Fit(window, control.kind);
    for (const std::string& entry : control.entries) {
      SendMessageW(window, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(entry).c_str()));
    }
    if (control.kind == ControlKind::GroupBox || control.kind == ControlKind::EtchedFrame) {
      frames.push_back(window);
    } else {
      placed.emplace_back(window, g);
    }
    if (control.id != kNoId) built[control.id] = {window, control.kind};
  }
  SelectObject(screen, oldFont);
  ReleaseDC(nullptr, screen);
  // A later control lies over an earlier one it overlaps (a check box's
  // wide box over a button beside it), as the templates were drawn; only
  // such pairs change places, so the tab order stays the template's.
  for (std::size_t later = 0; later < placed.size(); ++later) {
    for (std::size_t earlier = 0; earlier < later; ++earlier) {
      if (!Overlap(placed[earlier].second, placed[later].second)) continue;
      SetWindowPos(placed[earlier].first, placed[later].first, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
  }
  // Frames lie under the controls they surround, whatever the template order.
  for (HWND frame : frames) {
    SetWindowPos(frame, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  return built;
}

}  // namespace lirosa
