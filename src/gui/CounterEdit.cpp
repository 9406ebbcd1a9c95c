#include "gui/CounterEdit.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <algorithm>

namespace lirosa {

namespace {

// What QLineEdit keeps between its frame's contents and its text line.
constexpr int kLineMarginX = 2;
constexpr int kLineMarginY = 1;

}  // namespace

CounterEdit::CounterEdit(QWidget* parent) : QLineEdit(parent) {
  syncTimer_.setSingleShot(true);
  syncTimer_.setInterval(kSyncMs);
  connect(&syncTimer_, &QTimer::timeout, this, [this] { Sync(); });
}

void CounterEdit::ShowValue(const QString& value) {
  if (value == value_) return;
  value_ = value;
  // Someone working in the edit sees it behave as any edit does.
  if (hasFocus() || hasSelectedText()) {
    Sync();
    return;
  }
  update();
  if (!syncTimer_.isActive()) syncTimer_.start();
}

void CounterEdit::Sync() {
  syncTimer_.stop();
  if (text() != value_) setText(value_);
}

bool CounterEdit::event(QEvent* event) {
  switch (event->type()) {
    case QEvent::FocusIn:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::ContextMenu:
    case QEvent::KeyPress:
    case QEvent::ShortcutOverride:
    case QEvent::InputMethod:
      Sync();
      break;
    default:
      break;
  }
  return QLineEdit::event(event);
}

void CounterEdit::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
    digitsLoaded_ = false;
    panel_ = QPixmap();
  }
  QLineEdit::changeEvent(event);
}

void CounterEdit::LoadDigits() {
  digitsLoaded_ = true;
  digitsUsable_ = false;
  raw_ = QRawFont::fromFont(font());
  const QString digits = QStringLiteral("0123456789");
  if (!raw_.isValid()) return;
  for (const QChar digit : digits) {
    if (!raw_.supportsCharacter(digit)) return;
  }
  const QList<quint32> glyphs = raw_.glyphIndexesForString(digits);
  const QList<QPointF> advances = raw_.advancesForGlyphIndexes(glyphs);
  if (glyphs.size() != 10 || advances.size() != 10) return;
  for (int d = 0; d < 10; ++d) {
    glyphs_[d] = glyphs[d];
    advances_[d] = advances[d].x();
  }
  // The edit's line is as high as the font's, or as the text's box, which
  // for text of one font is the same for every text.
  const QFontMetrics metrics(font());
  lineHeight_ = std::max(metrics.boundingRect(QStringLiteral("0")).height(), metrics.height());
  digitsUsable_ = true;
}

bool CounterEdit::Layout(const QString& value, QGlyphRun& run, qreal& width) {
  if (!digitsLoaded_) LoadDigits();
  if (!digitsUsable_ || value.isEmpty()) return false;
  QList<quint32> glyphs;
  QList<QPointF> positions;
  glyphs.reserve(value.size());
  positions.reserve(value.size());
  qreal x = 0;
  for (const QChar c : value) {
    const int d = c.unicode() - '0';
    if (d < 0 || d > 9) return false;
    glyphs.append(glyphs_[d]);
    positions.append(QPointF(x, 0));
    x += advances_[d];
  }
  run.setRawFont(raw_);
  run.setGlyphIndexes(glyphs);
  run.setPositions(positions);
  width = x;
  return true;
}

void CounterEdit::DrawPanel(QPainter& painter, const QStyleOptionFrame& panel) {
  const QBrush background = palette().brush(backgroundRole());
  // Kept only over a plain background that the widget fills itself: the
  // frame's soft edges then blend with the same colour either way.
  if (!autoFillBackground() || background.style() != Qt::SolidPattern || !background.isOpaque()) {
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &panel, &painter, this);
    return;
  }
  const PanelLook look{size(), static_cast<int>(panel.state), palette().cacheKey(),
                       static_cast<int>(palette().currentColorGroup()), devicePixelRatioF()};
  if (look != panelLook_ || panel_.isNull()) {
    panel_ = QPixmap(size() * look.ratio);
    panel_.setDevicePixelRatio(look.ratio);
    panel_.fill(background.color());
    QPainter cache(&panel_);
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &panel, &cache, this);
    panelLook_ = look;
  }
  painter.drawPixmap(0, 0, panel_);
}

void CounterEdit::paintEvent(QPaintEvent* event) {
  if (PaintCount()) return;
  Sync();
  QLineEdit::paintEvent(event);
}

bool CounterEdit::PaintCount() {
  QGlyphRun run;
  qreal natural = 0;
  if (!DrawsOwnText() || hasFocus() || hasSelectedText() || !Layout(value_, run, natural)) {
    return false;
  }
  // The edit's own placing of a line of text, without a caret or a
  // selection to show.
  QStyleOptionFrame panel;
  initStyleOption(&panel);
  QRect r = style()->subElementRect(QStyle::SE_LineEditContents, &panel, this);
  r = r.marginsRemoved(textMargins());
  const int lineLeft = r.x() + kLineMarginX;
  const int lineWidth = r.width() - 2 * kLineMarginX;
  const int used = qRound(natural) + 1;
  // The edit scrolls a text that does not fit; it draws that itself.
  if (used > lineWidth) return false;
  const Qt::Alignment align = QStyle::visualAlignment(layoutDirection(), alignment());
  int top = r.y() + (r.height() - lineHeight_ + 1) / 2;
  if (align & Qt::AlignBottom) top = r.y() + r.height() - lineHeight_ - kLineMarginY;
  if (align & Qt::AlignTop) top = r.y() + kLineMarginY;
  int scroll = 0;
  if (align & Qt::AlignRight) scroll = used - lineWidth + 1;
  if (align & Qt::AlignHCenter) scroll = (used - lineWidth) / 2;

  QPainter painter(this);
  DrawPanel(painter, panel);
  painter.setClipRect(r);
  painter.setPen(palette().text().color());
  painter.drawGlyphRun(QPointF(lineLeft - scroll, top + raw_.ascent()), run);
  return true;
}

}  // namespace lirosa
