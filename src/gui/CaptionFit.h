#pragma once

#include <QString>

class QFont;
class QWidget;

namespace lirosa {

// The templates were laid out for a compact font; some captions (the
// Russian template texts, the Chinese run-time captions) are wider than
// their controls at the dialog font. These helpers keep every caption whole
// by narrowing the glyphs first and making them smaller only after that,
// never below 9 px.

// Width in pixels left for the caption of this button, check box, radio,
// group box or label at its present size.
int CaptionRoom(const QWidget& widget);

// The caption currently shown by the widget (empty for other widgets).
QString CaptionOf(const QWidget& widget);

// Width of `text` in `font`, trailing blanks left out (they are not seen).
int CaptionWidth(const QFont& font, const QString& text);

// The widest step of the narrowing ladder at which `text` fits `room`
// pixels; the last, narrowest step when none does.
QFont FittedFont(const QFont& base, const QString& text, int room);

// Gives the widget the fitted font for its caption and present size, based
// on its parent's font. Call again after the caption or size changes.
void FitCaption(QWidget& widget);

}  // namespace lirosa
