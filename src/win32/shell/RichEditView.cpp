#include "win32/shell/RichEditView.h"

#include <windows.h>

#include <richedit.h>

#include <algorithm>

#include "win32/shell/WideText.h"

namespace lirosa {

namespace {

CHARFORMAT2W ColourFormat(Colour colour) {
  CHARFORMAT2W format{};
  format.cbSize = sizeof format;
  format.dwMask = CFM_COLOR;
  format.crTextColor = RGB(colour.red, colour.green, colour.blue);
  return format;
}

}  // namespace

RichEditView::RichEditView(MessageSink& control, std::size_t capacity)
    : control_(control), capacity_(std::max<std::size_t>(capacity, 4)) {
  // The control's own limit (32767 characters) would silently cut records
  // off; the capacity rule bounds the text instead.
  control_.Send(EM_EXLIMITTEXT, 0, static_cast<std::intptr_t>(capacity_ + capacity_ / 4 + 65536));
  control_.Send(EM_SETUNDOLIMIT, 0, 0);
}

std::size_t RichEditView::TextLength() const {
  GETTEXTLENGTHEX query{GTL_NUMCHARS | GTL_PRECISE, 1200};
  const std::intptr_t length =
      control_.Send(EM_GETTEXTLENGTHEX, reinterpret_cast<std::uintptr_t>(&query), 0);
  return length > 0 ? static_cast<std::size_t>(length) : 0;
}

int RichEditView::LineCount() const {
  // Wrapped lines count; an empty control has one line.
  return std::max(1, static_cast<int>(control_.Send(EM_GETLINECOUNT, 0, 0)));
}

void RichEditView::Clear() {
  control_.Send(WM_SETTEXT, 0, reinterpret_cast<std::intptr_t>(L""));
}

void RichEditView::SelectEnd() {
  CHARRANGE end{-1, -1};
  control_.Send(EM_EXSETSEL, 0, reinterpret_cast<std::intptr_t>(&end));
}

void RichEditView::Append(const std::string& text, Colour colour) {
  if (text.empty()) return;
  const std::wstring wide = Widen(text);
  CHARRANGE selection{};
  control_.Send(EM_EXGETSEL, 0, reinterpret_cast<std::intptr_t>(&selection));
  const bool follow = selection.cpMin == selection.cpMax && control_.AtBottom();
  HeldView held;
  if (!follow) held = HoldView();
  SelectEnd();
  CHARFORMAT2W format = ColourFormat(colour);
  control_.Send(EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<std::intptr_t>(&format));
  control_.Send(EM_REPLACESEL, FALSE, reinterpret_cast<std::intptr_t>(wide.c_str()));
  const long dropped = TextLength() > capacity_ ? DropOldest() : 0;
  if (!follow) {
    RestoreView(held, dropped);
    return;
  }
  SelectEnd();
  control_.Send(EM_SCROLLCARET, 0, 0);
}

RichEditView::HeldView RichEditView::HoldView() {
  HeldView held;
  CHARRANGE selection{};
  control_.Send(EM_EXGETSEL, 0, reinterpret_cast<std::intptr_t>(&selection));
  held.selectionStart = selection.cpMin;
  held.selectionEnd = selection.cpMax;
  held.textEnd = static_cast<long>(TextLength());
  POINT scroll{};
  control_.Send(EM_GETSCROLLPOS, 0, reinterpret_cast<std::intptr_t>(&scroll));
  held.scrollX = scroll.x;
  held.scrollY = scroll.y;
  const std::intptr_t firstLine = control_.Send(EM_GETFIRSTVISIBLELINE, 0, 0);
  held.firstVisibleChar = static_cast<long>(
      std::max<std::intptr_t>(0, control_.Send(EM_LINEINDEX, static_cast<std::uintptr_t>(firstLine), 0)));
  // Selecting the end to append would move the view there for a moment.
  control_.Send(WM_SETREDRAW, FALSE, 0);
  return held;
}

void RichEditView::RestoreView(const HeldView& held, long dropped) {
  const auto shifted = [dropped](long at) { return std::max(0L, at - dropped); };
  CHARRANGE selection{shifted(held.selectionStart), shifted(held.selectionEnd)};
  // A caret left at the end stays at the end, where typed text belongs.
  if (held.selectionStart == held.selectionEnd && held.selectionEnd == held.textEnd) {
    selection.cpMin = selection.cpMax = -1;
  }
  control_.Send(EM_EXSETSEL, 0, reinterpret_cast<std::intptr_t>(&selection));
  POINT scroll{held.scrollX, held.scrollY};
  if (dropped > 0) {
    // The text above the view went: the same text stays at the top.
    const std::intptr_t line =
        control_.Send(EM_EXLINEFROMCHAR, 0, static_cast<std::intptr_t>(shifted(held.firstVisibleChar)));
    const std::intptr_t top = control_.Send(EM_GETFIRSTVISIBLELINE, 0, 0);
    control_.Send(EM_LINESCROLL, 0, line - top);
    POINT now{};
    control_.Send(EM_GETSCROLLPOS, 0, reinterpret_cast<std::intptr_t>(&now));
    scroll.y = now.y;
  }
  control_.Send(EM_SETSCROLLPOS, 0, reinterpret_cast<std::intptr_t>(&scroll));
  control_.Send(WM_SETREDRAW, TRUE, 0);
  control_.Repaint();
}

long RichEditView::DropOldest() {
  const std::size_t keep = capacity_ - capacity_ / 4;
  const long dropped = static_cast<long>(TextLength() - keep);
  CHARRANGE oldest{0, dropped};
  control_.Send(EM_EXSETSEL, 0, reinterpret_cast<std::intptr_t>(&oldest));
  control_.Send(EM_REPLACESEL, FALSE, reinterpret_cast<std::intptr_t>(L""));
  return dropped;
}

void RichEditView::SetDefaultColour(Colour colour) {
  CHARFORMAT2W format = ColourFormat(colour);
  control_.Send(EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<std::intptr_t>(&format));
}

}  // namespace lirosa
