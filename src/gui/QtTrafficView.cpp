#include "gui/QtTrafficView.h"

#include "gui/TrafficWidget.h"

namespace lirosa {

std::size_t QtTrafficView::TextLength() const { return display_.Text().TextLength(); }

int QtTrafficView::LineCount() const { return display_.Text().LineCount(); }

void QtTrafficView::Clear() { display_.Clear(); }

void QtTrafficView::Append(const std::string& text, Colour colour) {
  display_.Append(text, colour);
}

void QtTrafficView::SetDefaultColour(Colour colour) { display_.SetDefaultColour(colour); }

}  // namespace lirosa
