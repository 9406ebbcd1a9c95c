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
  SelectEnd();
  CHARFORMAT2W format = ColourFormat(colour);
  control_.Send(EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<std::intptr_t>(&format));
  control_.Send(EM_REPLACESEL, FALSE, reinterpret_cast<std::intptr_t>(wide.c_str()));
  if (TextLength() > capacity_) DropOldest();
  SelectEnd();
  control_.Send(EM_SCROLLCARET, 0, 0);
}

void RichEditView::DropOldest() {
  const std::size_t keep = capacity_ - capacity_ / 4;
  CHARRANGE oldest{0, static_cast<LONG>(TextLength() - keep)};
  control_.Send(EM_EXSETSEL, 0, reinterpret_cast<std::intptr_t>(&oldest));
  control_.Send(EM_REPLACESEL, FALSE, reinterpret_cast<std::intptr_t>(L""));
}

void RichEditView::SetDefaultColour(Colour colour) {
  CHARFORMAT2W format = ColourFormat(colour);
  control_.Send(EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<std::intptr_t>(&format));
}

}  // namespace lirosa
