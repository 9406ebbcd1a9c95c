#include "gui/CaptionFit.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>

namespace lirosa {

namespace {

struct FitStep {
  int pixelSize;
  int stretch;  // percent of the normal width
};

// Narrow first: a condensed face at full height reads better than a small
// one. 9 px is the smallest size that stays legible with these faces.
constexpr FitStep kFitSteps[] = {{12, 100}, {12, 92}, {12, 85}, {12, 80},
                                 {11, 80},  {10, 80}, {9, 80},  {9, 72}};

}  // namespace

QString CaptionOf(const QWidget& widget) {
  if (auto* button = qobject_cast<const QAbstractButton*>(&widget)) return button->text();
  if (auto* box = qobject_cast<const QGroupBox*>(&widget)) return box->title();
  if (auto* label = qobject_cast<const QLabel*>(&widget)) return label->text();
  return {};
}

int CaptionRoom(const QWidget& widget) {
  const QStyle* style = widget.style();
  if (qobject_cast<const QCheckBox*>(&widget)) {
    return widget.width() - style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, &widget) -
           style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, &widget) - 1;
  }
  if (qobject_cast<const QRadioButton*>(&widget)) {
    return widget.width() -
           style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, &widget) -
           style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, &widget) - 1;
  }
  if (qobject_cast<const QPushButton*>(&widget)) {
    return widget.width() - 2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, &widget) -
           4;
  }
  if (qobject_cast<const QGroupBox*>(&widget)) return widget.width() - 16;
  return widget.width();
}

int CaptionWidth(const QFont& font, const QString& text) {
  QString shown = text;
  while (!shown.isEmpty() && shown.back().isSpace()) shown.chop(1);
  return QFontMetrics(font).horizontalAdvance(shown);
}

QFont FittedFont(const QFont& base, const QString& text, int room) {
  QFont font = base;
  for (const FitStep& step : kFitSteps) {
    font.setPixelSize(step.pixelSize);
    font.setStretch(step.stretch);
    if (CaptionWidth(font, text) <= room) return font;
  }
  return font;
}

void FitCaption(QWidget& widget) {
  const bool captioned = qobject_cast<QAbstractButton*>(&widget) ||
                         qobject_cast<QGroupBox*>(&widget) || qobject_cast<QLabel*>(&widget);
  if (!captioned) return;
  const QString caption = CaptionOf(widget);
  const QFont base = widget.parentWidget() ? widget.parentWidget()->font() : widget.font();
  if (caption.isEmpty() || CaptionWidth(base, caption) <= CaptionRoom(widget)) {
    widget.setFont(base);
    return;
  }
  widget.setFont(FittedFont(base, caption, CaptionRoom(widget)));
}

}  // namespace lirosa
