#include "win32/shell/CaptionFonts.h"

#include <iterator>
#include <string>
#include <vector>

#include "win32/shell/Win32Controls.h"

namespace lirosa {

namespace {

// Percent of the face's own width, widest first. A step stands for the
// widths down to the next one: whole-pixel character widths condense a
// small face in coarse jumps, and a copy far narrower than its step would
// be chosen before a larger size that reads better. The narrowest step
// comes only once no size fits at the others, from the largest size down:
// a tall narrow face reads better than a small narrow one.
struct Stretch {
  int widest;
  int narrowest;
};
constexpr Stretch kStretches[] = {{100, 100}, {92, 85}, {85, 80}, {80, 72}};
constexpr Stretch kLastStretch = {72, 60};

bool IsCaptioned(ControlKind kind) {
  switch (kind) {
    case ControlKind::PushButton:
    case ControlKind::CheckBox:
    case ControlKind::ThreeStateCheckBox:
    case ControlKind::RadioButton:
    case ControlKind::GroupBox:
    case ControlKind::Label:
      return true;
    case ControlKind::OwnerDrawButton:
    case ControlKind::EtchedFrame:
    case ControlKind::Edit:
    case ControlKind::MultiLineEdit:
    case ControlKind::RichEdit:
    case ControlKind::DropDownList:
    case ControlKind::Picture:
      return false;
  }
  return false;
}

SIZE TextExtent(HDC dc, const std::wstring& text) {
  SIZE extent{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
  return extent;
}

}  // namespace

int CaptionRoom(ControlKind kind, int width) {
  switch (kind) {
    case ControlKind::CheckBox:
    case ControlKind::ThreeStateCheckBox:
    case ControlKind::RadioButton:
      return width - 13 - 4 - 1;
    case ControlKind::PushButton:
      return width - 2 * 2 - 4;
    case ControlKind::GroupBox:
      return width - 16;
    case ControlKind::OwnerDrawButton:
    case ControlKind::EtchedFrame:
    case ControlKind::Label:
    case ControlKind::Edit:
    case ControlKind::MultiLineEdit:
    case ControlKind::RichEdit:
    case ControlKind::DropDownList:
    case ControlKind::Picture:
      return width;
  }
  return width;
}

CaptionLayout CaptionLayoutOf(ControlKind kind, bool singleLineLabel) {
  if (kind == ControlKind::GroupBox) return CaptionLayout::OnFrame;
  if (kind == ControlKind::Label && !singleLineLabel) return CaptionLayout::Wrapped;
  return CaptionLayout::OneLine;
}

bool CaptionFitsIn(HDC dc, const std::wstring& caption, CaptionLayout layout, int room,
                   int height) {
  if (layout == CaptionLayout::Wrapped) {
    // As a static control draws it: broken at blanks, a word longer than
    // the line left whole (and so too wide).
    RECT box{0, 0, room, 0};
    DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &box,
              DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    return box.right <= room && box.bottom <= height;
  }
  const SIZE extent = TextExtent(dc, caption);
  return extent.cx <= room && (layout == CaptionLayout::OnFrame || extent.cy <= height);
}

CaptionFonts::CaptionFonts(HFONT base) : base_(base) {
  GetObjectW(base, sizeof description_, &description_);
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, base);
  TEXTMETRICW metrics{};
  if (GetTextMetricsW(dc, &metrics)) basePixels_ = metrics.tmHeight - metrics.tmInternalLeading;
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
}

CaptionFonts::~CaptionFonts() {
  for (const auto& [size, font] : fonts_) {
    if (font) DeleteObject(font);
  }
}

HFONT CaptionFonts::Font(int pixels, int width) {
  if (pixels == basePixels_ && width == 0) return base_;
  auto found = fonts_.find({pixels, width});
  if (found != fonts_.end()) return found->second;
  LOGFONTW description = description_;
  description.lfHeight = -pixels;
  description.lfWidth = width;
  HFONT font = CreateFontIndirectW(&description);
  fonts_[{pixels, width}] = font;
  return font;
}

HFONT CaptionFonts::Step(HDC dc, const std::wstring& caption, int pixels, int widest,
                         int narrowest) {
  HFONT natural = Font(pixels, 0);
  if (!natural || widest >= 100) return natural;
  SelectObject(dc, natural);
  const long naturalWidth = TextExtent(dc, caption).cx;
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  // A condensed copy is asked for by its average character width, in whole
  // pixels: the widest one within the step, measured on this very caption.
  for (int width = metrics.tmAveCharWidth - 1; width > 0; --width) {
    HFONT narrow = Font(pixels, width);
    if (!narrow) return nullptr;
    SelectObject(dc, narrow);
    const long percent = TextExtent(dc, caption).cx * 100;
    if (percent > naturalWidth * widest) continue;
    return percent >= naturalWidth * narrowest ? narrow : nullptr;
  }
  return nullptr;
}

HFONT CaptionFonts::FontFor(HDC dc, const std::wstring& caption, CaptionLayout layout, int room,
                            int height) {
  HGDIOBJ old = SelectObject(dc, base_);
  HFONT chosen = base_;
  if (!caption.empty() && !CaptionFitsIn(dc, caption, layout, room, height)) {
    std::vector<std::pair<int, Stretch>> ladder;
    for (int pixels = basePixels_; pixels >= kSmallestPixels; --pixels) {
      for (const Stretch& stretch : kStretches) ladder.emplace_back(pixels, stretch);
    }
    for (int pixels = basePixels_; pixels >= kSmallestPixels; --pixels) {
      ladder.emplace_back(pixels, kLastStretch);
    }
    for (const auto& [pixels, stretch] : ladder) {
      HFONT step = Step(dc, caption, pixels, stretch.widest, stretch.narrowest);
      if (!step) continue;
      chosen = step;
      SelectObject(dc, step);
      // A condensed copy draws its glyphs up to a pixel past the advance it
      // reports, which would be cut off at the control's edge.
      const int slack = stretch.widest < 100 ? 1 : 0;
      if (CaptionFitsIn(dc, caption, layout, room - slack, height)) break;
    }
  }
  SelectObject(dc, old);
  return chosen;
}

void CaptionFonts::Fit(HWND control, ControlKind kind) {
  if (!control || !IsCaptioned(kind)) return;
  std::wstring caption = WindowTextOf(control);
  while (!caption.empty() && caption.back() == L' ') caption.pop_back();
  RECT client{};
  GetClientRect(control, &client);
  // A label that centres its text upright shows it on one line.
  const bool oneLine =
      kind == ControlKind::Label && (GetWindowLongW(control, GWL_STYLE) & SS_CENTERIMAGE);
  HDC dc = GetDC(control);
  HFONT chosen = FontFor(dc, caption, CaptionLayoutOf(kind, oneLine),
                         CaptionRoom(kind, client.right), client.bottom);
  ReleaseDC(control, dc);
  if (reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)) != chosen) {
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(chosen), TRUE);
  }
}

}  // namespace lirosa
