#include "gui/TrafficWidget.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStringList>
#include <QTimer>
#include <algorithm>
#include <utility>

#include "display/LineWrap.h"
#include "gui/QuietScrollBar.h"

namespace lirosa {

namespace {

constexpr int kMarginX = 4;
constexpr int kMarginY = 2;
constexpr qint64 kFrameMs = 16;
constexpr qsizetype kAsciiGlyphs = 0x7F - 0x20;
constexpr const char* kCopyItem = "复制";
constexpr const char* kSelectAllItem = "全选";

QColor ToQColor(Colour colour) { return {colour.red, colour.green, colour.blue}; }

QFont DisplayFont() {
  QFont font;
  font.setFamilies(QStringList{"DejaVu Sans Mono", "Liberation Mono", "Noto Sans Mono",
                               "WenQuanYi Micro Hei Mono", "WenQuanYi Micro Hei"});
  font.setStyleHint(QFont::Monospace);
  font.setFixedPitch(true);
  font.setPixelSize(12);
  return font;
}

// A control character would paint as nothing or a box; its control picture
// shows that it is there. Copy still gives the character itself.
bool IsPrintableAscii(char c) { return c >= 0x20 && c < 0x7F; }

char32_t Shown(char32_t c) {
  if (c < 0x20) return 0x2400 + c;
  if (c == 0x7F) return 0x2421;
  return c;
}

QString ToShownText(const std::string& bytes) {
  QString text = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
  text.replace(QChar('\r'), QChar('\n'));
  return text;
}

}  // namespace

TrafficWidget::TrafficWidget(QWidget* parent, TrafficText::Limits limits)
    : QAbstractScrollArea(parent), text_(80, limits) {
  // First: a change of font below already sets the bar.
  bar_ = new QuietScrollBar(Qt::Vertical, this);
  setVerticalScrollBar(bar_);
  setFont(DisplayFont());
  setFocusPolicy(Qt::StrongFocus);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  viewport()->setCursor(Qt::IBeamCursor);
  // Every pixel is painted here: nothing under the display is drawn first.
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  bar_->setSingleStep(1);
  UpdateMetrics();
  syncTimer_ = new QTimer(this);
  syncTimer_->setSingleShot(true);
  syncTimer_->setTimerType(Qt::PreciseTimer);
  connect(syncTimer_, &QTimer::timeout, this, [this] { SyncNow(); });

  menu_ = new QMenu(this);
  copyAction_ = menu_->addAction(QString::fromUtf8(kCopyItem), this, [this] { Copy(); });
  copyAction_->setShortcut(QKeySequence::Copy);
  QAction* all = menu_->addAction(QString::fromUtf8(kSelectAllItem), this, [this] { SelectAll(); });
  all->setShortcut(QKeySequence::SelectAll);
  // The shortcuts are only shown: keyPressEvent takes the keys.
  copyAction_->setShortcutContext(Qt::WidgetShortcut);
  all->setShortcutContext(Qt::WidgetShortcut);
}

void TrafficWidget::AddMenuActions(const QList<QAction*>& actions) {
  if (actions.isEmpty()) return;
  menu_->addSeparator();
  menu_->addActions(actions);
}

void TrafficWidget::Append(const std::string& text, Colour colour) {
  const std::uint64_t firstBefore = text_.FirstRow();
  const std::uint64_t endBefore = text_.EndRow();
  text_.Append(text, colour);
  if (text_.FirstRow() != firstBefore || text_.EndRow() < endBefore) KeepInRange();
  const std::uint64_t added = text_.EndRow() > endBefore ? text_.EndRow() - endBefore : 0;
  if (!caretPlaced_ && !HasSelection()) anchor_ = caret_ = text_.End();
  dirtyRow_ = std::min(dirtyRow_, endBefore - 1);
  if (following_ && !HasSelection()) {
    topRow_ = BottomTop();
  } else {
    newRows_ += added;
    following_ = topRow_ >= BottomTop();
  }
  if (following_) newRows_ = 0;
  ScheduleSync();
}

void TrafficWidget::Clear() {
  text_.Clear();
  topRow_ = text_.FirstRow();
  anchor_ = caret_ = text_.End();
  caretPlaced_ = false;
  dragging_ = false;
  following_ = true;
  newRows_ = 0;
  UpdateAll();
  ScheduleSync();
}

QString TrafficWidget::SelectedText() const {
  if (!HasSelection()) return {};
  return ToShownText(text_.Text(std::min(anchor_, caret_), std::max(anchor_, caret_)));
}

void TrafficWidget::SelectAll() {
  anchor_ = text_.Begin();
  caret_ = text_.End();
  caretPlaced_ = true;
  UpdateAll();
}

void TrafficWidget::Copy() const {
  if (!HasSelection()) return;
  QApplication::clipboard()->setText(SelectedText());
}

int TrafficWidget::VisibleRows() const {
  return std::max(1, (viewport()->height() - kMarginY) / rowHeight_);
}

std::uint64_t TrafficWidget::BottomTop() const {
  const auto visible = static_cast<std::uint64_t>(VisibleRows());
  const std::uint64_t end = text_.EndRow();
  return end - text_.FirstRow() > visible ? end - visible : text_.FirstRow();
}

void TrafficWidget::KeepInRange() {
  // What was dropped for capacity or cleared cannot be shown or selected.
  topRow_ = std::clamp(topRow_, text_.FirstRow(), text_.EndRow() - 1);
  anchor_ = std::clamp(anchor_, text_.Begin(), text_.End());
  caret_ = std::clamp(caret_, text_.Begin(), text_.End());
}

void TrafficWidget::ScrollToBottom() {
  following_ = true;
  newRows_ = 0;
  topRow_ = BottomTop();
  UpdateAll();
  SyncScrollBar();
}

void TrafficWidget::ScrollTo(std::uint64_t row) {
  topRow_ = std::clamp(row, text_.FirstRow(), BottomTop());
  following_ = topRow_ >= BottomTop();
  if (following_) newRows_ = 0;
  UpdateAll();
  SyncScrollBar();
}

void TrafficWidget::EnsureVisible(std::uint64_t position) {
  const std::uint64_t row = text_.RowOf(position);
  const auto visible = static_cast<std::uint64_t>(VisibleRows());
  if (row < topRow_) {
    ScrollTo(row);
  } else if (row >= topRow_ + visible) {
    ScrollTo(row - visible + 1);
  }
}

void TrafficWidget::ScheduleSync() {
  if (syncQueued_) return;
  syncQueued_ = true;
  // Records come with every tick, faster than a screen shows frames: the
  // pixels and the bar follow them at most once a frame.
  const qint64 since = lastSync_.isValid() ? lastSync_.elapsed() : kFrameMs;
  if (since < kFrameMs) {
    syncTimer_->start(static_cast<int>(kFrameMs - since));
    return;
  }
  QMetaObject::invokeMethod(this, [this] { SyncNow(); }, Qt::QueuedConnection);
}

void TrafficWidget::ShowNow() {
  syncTimer_->stop();
  SyncNow();
}

void TrafficWidget::SyncNow() {
  if (!syncQueued_) return;
  syncQueued_ = false;
  lastSync_.start();
  FlushChanges();
  SyncScrollBar();
}

void TrafficWidget::UpdateAll() {
  fullPending_ = true;
  paintedTop_ = topRow_;
  paintedNewRows_ = newRows_;
  dirtyRow_ = UINT64_MAX;
  viewport()->update();
}

void TrafficWidget::FlushChanges() {
  if (fullPending_) {
    UpdateAll();
    return;
  }
  const auto shown = static_cast<std::uint64_t>(VisibleRows()) + 1;
  if (topRow_ != paintedTop_) {
    const bool badge = !following_ && newRows_ > 0;
    if (topRow_ < paintedTop_ || topRow_ - paintedTop_ >= shown || badge) {
      UpdateAll();
      return;
    }
    // What is already on screen moves up; Qt paints the rows it uncovers.
    viewport()->scroll(0, -static_cast<int>(topRow_ - paintedTop_) * rowHeight_);
    paintedTop_ = topRow_;
  }
  // Rows below the view change nothing that shows, but the badge.
  if (newRows_ != paintedNewRows_ && !following_) viewport()->update(BadgeRect());
  paintedNewRows_ = newRows_;
  if (dirtyRow_ < topRow_ + shown) {
    const int y = kMarginY + static_cast<int>(std::max(dirtyRow_, topRow_) - topRow_) * rowHeight_;
    viewport()->update(0, y, viewport()->width(), viewport()->height() - y);
  }
  dirtyRow_ = UINT64_MAX;
}

void TrafficWidget::SyncScrollBar() {
  const auto held = static_cast<int>(text_.EndRow() - text_.FirstRow());
  const int visible = VisibleRows();
  // The bar coming or going changes the width, which can call this again.
  const bool outer = !std::exchange(syncing_, true);
  bar_->SetAll(std::max(0, held - visible), visible, static_cast<int>(topRow_ - text_.FirstRow()));
  if (outer) syncing_ = false;
}

void TrafficWidget::scrollContentsBy(int, int) {
  if (syncing_) return;
  // The user moved the bar (wheel, drag, keys on the bar).
  QScrollBar* bar = verticalScrollBar();
  topRow_ = std::min(text_.FirstRow() + static_cast<std::uint64_t>(bar->value()),
                     text_.EndRow() - 1);
  following_ = bar->value() >= bar->maximum();
  if (following_) {
    newRows_ = 0;
    topRow_ = BottomTop();
  }
  UpdateAll();
}

void TrafficWidget::UpdateMetrics() {
  const QFontMetrics metrics(font());
  // Text is drawn at its fractional advance: the grid must use the same.
  cellWidth_ = std::max<qreal>(1, QFontMetricsF(font()).horizontalAdvance(QLatin1Char('0')));
  rowHeight_ = std::max(1, metrics.height());
  ascent_ = metrics.ascent();
  rawFont_ = QRawFont::fromFont(font());
  cellPositions_.clear();
  asciiGlyphs_.clear();
  if (rawFont_.isValid()) {
    QString ascii;
    for (char16_t c = 0x20; c < 0x7F; ++c) ascii += QChar(c);
    const QList<quint32> glyphs = rawFont_.glyphIndexesForString(ascii);
    // A font without every printable ASCII glyph is drawn through drawText.
    const bool complete = glyphs.size() == kAsciiGlyphs &&
                          std::none_of(glyphs.begin() + 1, glyphs.end(),
                                       [](quint32 glyph) { return glyph == 0; });
    if (complete) asciiGlyphs_ = glyphs;
  }
  UpdateColumns();
}

void TrafficWidget::UpdateColumns() {
  const int columns =
      std::max(1, static_cast<int>((viewport()->width() - 2 * kMarginX) / cellWidth_));
  if (columns == text_.LineChars()) return;
  // Keep the text at the top of the view in view.
  const std::uint64_t anchor = text_.RowStart(topRow_);
  text_.SetLineChars(columns);
  topRow_ = following_ ? BottomTop() : std::min(text_.RowOf(anchor), BottomTop());
  SyncScrollBar();
  UpdateAll();
}

void TrafficWidget::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateColumns();
  if (following_) topRow_ = BottomTop();
  SyncScrollBar();
  UpdateAll();
}

bool TrafficWidget::viewportEvent(QEvent* event) {
  // The scroll bar coming or going changes the viewport, not the widget.
  if (event->type() == QEvent::Resize) UpdateColumns();
  return QAbstractScrollArea::viewportEvent(event);
}

void TrafficWidget::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::FontChange) UpdateMetrics();
}

QRect TrafficWidget::BadgeRect() const {
  const QFontMetrics metrics(font());
  const QString label = QStringLiteral("\u25BC 000000000");
  const int width = metrics.horizontalAdvance(label) + 8;
  const int height = rowHeight_ + 4;
  const QRect area = viewport()->rect();
  return {area.right() - width - 4, area.bottom() - height - 2, width, height};
}

void TrafficWidget::PaintRow(QPainter& painter, std::uint64_t row, int y,
                             std::size_t& record) const {
  const std::uint64_t start = text_.RowStart(row);
  text_.TextInto(start, text_.RowEnd(row), rowBytes_);
  const std::string& bytes = rowBytes_;
  const std::uint64_t end = start + bytes.size();
  const std::uint64_t selFrom = std::min(anchor_, caret_);
  const std::uint64_t selTo = std::max(anchor_, caret_);
  const QColor highlight = palette().color(QPalette::Highlight);
  const QColor highlightedText = palette().color(QPalette::HighlightedText);

  // The records are walked in order from the one the caller found: a
  // search for each row would cost more the more is held.
  const std::size_t records = text_.Records();
  const auto startAfter = [&](std::size_t index) {
    return index + 1 < records ? text_.RecordStart(index + 1) : UINT64_MAX;
  };
  while (startAfter(record) <= start) ++record;
  int column = 0;
  for (std::size_t pos = 0; pos < bytes.size();) {
    const std::uint64_t at = start + pos;
    while (startAfter(record) <= at) ++record;
    const Colour colour = records > 0 ? text_.RecordColour(record) : Colour{};
    const bool selected = at >= selFrom && at < selTo;
    const qreal x = kMarginX + column * cellWidth_;
    painter.setPen(selected ? highlightedText : ToQColor(colour));
    // How far the same colour and selection state reach: later records of
    // the same colour join the run, so that a row is drawn in as few calls
    // as it has colours.
    std::size_t last = record;
    std::uint64_t reach = startAfter(last);
    while (reach < end && text_.RecordColour(last + 1) == colour) reach = startAfter(++last);
    reach = std::min(reach, end);
    if (selected) {
      reach = std::min(reach, selTo);
    } else if (at < selFrom) {
      reach = std::min(reach, selFrom);
    }
    const auto stop = static_cast<std::size_t>(reach - start);
    std::size_t ascii = pos;
    while (ascii < stop && IsPrintableAscii(bytes[ascii])) ++ascii;
    if (ascii > pos) {
      const auto cells = static_cast<int>(ascii - pos);
      if (selected) painter.fillRect(QRectF(x, y, cells * cellWidth_, rowHeight_), highlight);
      DrawAscii(painter, QPointF(x, y + ascent_), std::string_view(bytes).substr(pos, ascii - pos));
      column += cells;
      pos = ascii;
      continue;
    }
    // Any other character alone in its own cells, so that a fallback
    // font's widths never shift the grid.
    const char32_t c = NextCodePoint(bytes, pos);
    const int cells = CellWidth(c);
    if (selected) painter.fillRect(QRectF(x, y, cells * cellWidth_, rowHeight_), highlight);
    const char32_t shown = Shown(c);
    painter.drawText(QPointF(x, y + ascent_), QString::fromUcs4(&shown, 1));
    column += cells;
  }
  // A selected line break: a cell's width of highlight after the text.
  if (row + 1 < text_.EndRow() && end < text_.RowStart(row + 1) && end >= selFrom && end < selTo) {
    painter.fillRect(QRectF(kMarginX + column * cellWidth_, y, cellWidth_, rowHeight_), highlight);
  }
}

void TrafficWidget::DrawAscii(QPainter& painter, QPointF origin, std::string_view run) const {
  if (asciiGlyphs_.size() != kAsciiGlyphs) {
    painter.drawText(origin, QString::fromLatin1(run.data(), static_cast<qsizetype>(run.size())));
    return;
  }
  // The glyphs straight from the font, one per cell: ASCII in a monospace
  // font needs no shaping, which is most of drawText's cost.
  const auto count = static_cast<qsizetype>(run.size());
  glyphIndexes_.resize(count);
  for (qsizetype i = 0; i < count; ++i) {
    glyphIndexes_[i] = asciiGlyphs_[static_cast<unsigned char>(run[i]) - 0x20];
  }
  for (qsizetype i = cellPositions_.size(); i < count; ++i) {
    cellPositions_.append(QPointF(static_cast<qreal>(i) * cellWidth_, 0));
  }
  QGlyphRun glyphs;
  glyphs.setRawFont(rawFont_);
  glyphs.setGlyphIndexes(glyphIndexes_);
  glyphs.setPositions(count == cellPositions_.size() ? cellPositions_ : cellPositions_.first(count));
  painter.drawGlyphRun(origin, glyphs);
}

void TrafficWidget::paintEvent(QPaintEvent* event) {
  fullPending_ = false;
  QPainter painter(viewport());
  painter.setFont(font());
  painter.fillRect(event->rect(), palette().color(QPalette::Base));
  const int firstShown = std::max(0, (event->rect().top() - kMarginY) / rowHeight_);
  const int lastShown = (event->rect().bottom() - kMarginY) / rowHeight_;
  std::size_t record =
      text_.RecordAt(text_.RowStart(topRow_ + static_cast<std::uint64_t>(firstShown)));
  for (int i = firstShown; i <= lastShown; ++i) {
    const std::uint64_t row = topRow_ + static_cast<std::uint64_t>(i);
    if (row >= text_.EndRow()) break;
    PaintRow(painter, row, kMarginY + i * rowHeight_, record);
  }
  if (hasFocus() && !HasSelection()) {
    const std::uint64_t row = text_.RowOf(caret_);
    if (row >= topRow_ && row <= topRow_ + static_cast<std::uint64_t>(lastShown)) {
      const int x = kMarginX + static_cast<int>(ColumnOf(caret_) * cellWidth_);
      const int y = kMarginY + static_cast<int>(row - topRow_) * rowHeight_;
      painter.fillRect(x, y, 1, rowHeight_, palette().color(QPalette::Text));
    }
  }
  if (!following_ && newRows_ > 0) {
    const QRect badge = BadgeRect();
    const QString label = QStringLiteral("\u25BC %1").arg(newRows_);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 150));
    painter.drawRoundedRect(badge, 6, 6);
    painter.setPen(Qt::white);
    painter.drawText(badge, Qt::AlignCenter, label);
  }
}

std::uint64_t TrafficWidget::PositionInRow(std::uint64_t row, int target) const {
  const std::uint64_t start = text_.RowStart(row);
  const std::string bytes = text_.Text(start, text_.RowEnd(row));
  int column = 0;
  for (std::size_t pos = 0; pos < bytes.size();) {
    const std::size_t at = pos;
    const int cells = CellWidth(NextCodePoint(bytes, pos));
    // Before the middle of a character's cells is before the character.
    if (2 * target < 2 * column + cells) return start + at;
    column += cells;
  }
  return start + bytes.size();
}

std::uint64_t TrafficWidget::PositionAt(QPoint point) const {
  const int offset = point.y() - kMarginY;
  std::uint64_t row = topRow_;
  if (offset < 0) {
    const auto up = static_cast<std::uint64_t>(-offset / rowHeight_ + 1);
    row = topRow_ - std::min(up, topRow_ - text_.FirstRow());
  } else {
    row = std::min(topRow_ + static_cast<std::uint64_t>(offset / rowHeight_), text_.EndRow() - 1);
  }
  const int column = static_cast<int>(std::max<qreal>(0, point.x() - kMarginX) / cellWidth_ + 0.5);
  return PositionInRow(row, column);
}

int TrafficWidget::ColumnOf(std::uint64_t position) const {
  const std::uint64_t start = text_.RowStart(text_.RowOf(position));
  const std::string bytes = text_.Text(start, position);
  int column = 0;
  for (std::size_t pos = 0; pos < bytes.size();) column += CellWidth(NextCodePoint(bytes, pos));
  return column;
}

std::uint64_t TrafficWidget::StepChar(std::uint64_t position, int direction) const {
  if (direction > 0) {
    if (position >= text_.End()) return text_.End();
    const std::string next = text_.Text(position, std::min(position + 4, text_.End()));
    std::size_t pos = 0;
    NextCodePoint(next, pos);
    return position + pos;
  }
  if (position <= text_.Begin()) return text_.Begin();
  const std::uint64_t from = std::max(text_.Begin(), position >= 4 ? position - 4 : 0);
  const std::string before = text_.Text(from, position);
  std::size_t back = before.size();
  do {
    --back;
  } while (back > 0 && (static_cast<unsigned char>(before[back]) & 0xC0) == 0x80);
  return from + back;
}

void TrafficWidget::MoveCaret(std::uint64_t position, bool extend) {
  caret_ = std::clamp(position, text_.Begin(), text_.End());
  if (!extend) anchor_ = caret_;
  caretPlaced_ = true;
  EnsureVisible(caret_);
  UpdateAll();
}

void TrafficWidget::TypeText(const QString& typed) {
  // Typed text goes in at the end, as every record does, and is followed.
  QString text = typed;
  text.replace(QChar('\n'), QChar('\r'));
  anchor_ = caret_ = text_.End();
  caretPlaced_ = false;
  following_ = true;
  Append(text.toStdString(), defaultColour_);
  ScrollToBottom();
}

void TrafficWidget::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy)) {
    Copy();
    return;
  }
  if (event->matches(QKeySequence::SelectAll)) {
    SelectAll();
    return;
  }
  const bool shift = event->modifiers() & Qt::ShiftModifier;
  const auto column = [this] { return ColumnOf(caret_); };
  const std::uint64_t row = text_.RowOf(caret_);
  const auto page = static_cast<std::uint64_t>(std::max(1, VisibleRows() - 1));
  switch (event->key()) {
    case Qt::Key_End:
      if (!shift) {
        anchor_ = caret_ = text_.End();
        caretPlaced_ = false;
        ScrollToBottom();
        return;
      }
      MoveCaret((event->modifiers() & Qt::ControlModifier) ? text_.End() : text_.RowEnd(row), true);
      if (text_.RowOf(caret_) + 1 >= text_.EndRow()) ScrollToBottom();
      return;
    case Qt::Key_Home:
      MoveCaret((event->modifiers() & Qt::ControlModifier) ? text_.Begin() : text_.RowStart(row),
                shift);
      return;
    case Qt::Key_Left:
      MoveCaret(StepChar(caret_, -1), shift);
      return;
    case Qt::Key_Right:
      MoveCaret(StepChar(caret_, 1), shift);
      return;
    case Qt::Key_Up:
      if (row > text_.FirstRow()) MoveCaret(PositionInRow(row - 1, column()), shift);
      return;
    case Qt::Key_Down:
      if (row + 1 < text_.EndRow()) MoveCaret(PositionInRow(row + 1, column()), shift);
      return;
    case Qt::Key_PageUp:
      MoveCaret(PositionInRow(row - std::min(page, row - text_.FirstRow()), column()), shift);
      return;
    case Qt::Key_PageDown:
      MoveCaret(PositionInRow(std::min(row + page, text_.EndRow() - 1), column()), shift);
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      TypeText(QStringLiteral("\r"));
      return;
    default:
      break;
  }
  const QString typed = event->text();
  const bool printable = !typed.isEmpty() && typed.at(0).isPrint() &&
                         !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
  if (printable) {
    TypeText(typed);
    return;
  }
  // Tab, Esc, F1 and the rest belong to the window.
  QAbstractScrollArea::keyPressEvent(event);
}

void TrafficWidget::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  setFocus(Qt::MouseFocusReason);
  if (!following_ && newRows_ > 0 && BadgeRect().contains(event->position().toPoint())) {
    anchor_ = caret_ = text_.End();
    caretPlaced_ = false;
    ScrollToBottom();
    return;
  }
  const std::uint64_t at = PositionAt(event->position().toPoint());
  caret_ = at;
  if (!(event->modifiers() & Qt::ShiftModifier)) anchor_ = at;
  caretPlaced_ = true;
  dragging_ = true;
  UpdateAll();
}

void TrafficWidget::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_ || !(event->buttons() & Qt::LeftButton)) return;
  const QPoint point = event->position().toPoint();
  caret_ = PositionAt(point);
  // Dragging past an edge scrolls that way, a row per move.
  if (point.y() < 0 || point.y() > viewport()->height()) EnsureVisible(caret_);
  UpdateAll();
}

void TrafficWidget::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) dragging_ = false;
}

void TrafficWidget::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  // A word: the run of characters between blanks and line breaks.
  const std::uint64_t at = PositionAt(event->position().toPoint());
  const std::uint64_t row = text_.RowOf(at);
  const std::uint64_t start = text_.RowStart(row);
  const std::string bytes = text_.Text(start, text_.RowEnd(row));
  std::size_t from = static_cast<std::size_t>(at - start);
  std::size_t to = from;
  while (from > 0 && bytes[from - 1] != ' ') --from;
  while (to < bytes.size() && bytes[to] != ' ') ++to;
  anchor_ = start + from;
  caret_ = start + to;
  caretPlaced_ = true;
  dragging_ = false;
  UpdateAll();
}

void TrafficWidget::contextMenuEvent(QContextMenuEvent* event) {
  copyAction_->setEnabled(HasSelection());
  menu_->popup(event->globalPos());
}

}  // namespace lirosa
