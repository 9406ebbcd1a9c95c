#include "win32/shell/CaptionFonts.h"

#include <string>

#include "win32/shell/Win32Controls.h"

namespace lirosa {

namespace {

struct FitStep {
  int pixelHeight;
  int stretch;  // percent of the normal width
};

constexpr FitStep kFitSteps[] = {{12, 92}, {12, 85}, {12, 80}, {11, 80},
                                 {10, 80}, {9, 80},  {9, 72}};

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

int TextWidth(HDC dc, HFONT font, const std::wstring& text) {
  HGDIOBJ old = SelectObject(dc, font);
  SIZE extent{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
  SelectObject(dc, old);
  return extent.cx;
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

CaptionFonts::CaptionFonts(HFONT base) : base_(base) {
  LOGFONTW description{};
  GetObjectW(base, sizeof description, &description);
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, base);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  for (const FitStep& step : kFitSteps) {
    LOGFONTW narrow = description;
    narrow.lfHeight = -step.pixelHeight;
    narrow.lfWidth = MulDiv(metrics.tmAveCharWidth, step.pixelHeight * step.stretch, 12 * 100);
    steps_.push_back(CreateFontIndirectW(&narrow));
  }
}

CaptionFonts::~CaptionFonts() {
  for (HFONT font : steps_) {
    if (font) DeleteObject(font);
  }
}

void CaptionFonts::Fit(HWND control, ControlKind kind) {
  if (!control || !IsCaptioned(kind)) return;
  std::wstring caption = WindowTextOf(control);
  while (!caption.empty() && caption.back() == L' ') caption.pop_back();
  RECT client{};
  GetClientRect(control, &client);
  const int room = CaptionRoom(kind, client.right);
  HDC dc = GetDC(control);
  HFONT chosen = base_;
  if (!caption.empty() && TextWidth(dc, base_, caption) > room) {
    for (HFONT font : steps_) {
      if (!font) continue;
      chosen = font;
      if (TextWidth(dc, font, caption) <= room) break;
    }
  }
  ReleaseDC(control, dc);
  if (reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)) != chosen) {
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(chosen), TRUE);
  }
}

}  // namespace lirosa
