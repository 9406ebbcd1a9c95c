#pragma once

#include <QAbstractScrollArea>
#include <QElapsedTimer>
#include <QList>
#include <QPointF>
#include <QRawFont>
#include <cstdint>
#include <string>
#include <string_view>

#include "display/TrafficText.h"

class QAction;
class QMenu;
class QTimer;

namespace lirosa {

class QuietScrollBar;

// The traffic display (control 1054): a grid of monospace character cells
// that paints only the rows in view, over a TrafficText that holds records
// however many arrive.
//
// It follows the newest record while it is scrolled to the bottom. Scrolled
// up, or while text is selected, it stays where it is; a small "▼ N" badge
// counts the rows that have arrived below since. End, Ctrl+End, a click on
// the badge or scrolling back to the bottom follows again.
//
// Text can be selected with the mouse or with Shift and the arrow keys and
// copied (Ctrl+C, the context menu) as shown, a line break as a newline.
// The clipboard is used only when the user copies. Text the user types goes
// in at the end, in the default colour.
class TrafficWidget final : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit TrafficWidget(QWidget* parent = nullptr, TrafficText::Limits limits = {});

  const TrafficText& Text() const { return text_; }
  void Append(const std::string& text, Colour colour);
  void Clear();
  void SetDefaultColour(Colour colour) { defaultColour_ = colour; }
  Colour DefaultColour() const { return defaultColour_; }

  // Actions the context menu offers after Copy and Select all.
  void AddMenuActions(const QList<QAction*>& actions);
  QMenu& ContextMenu() const { return *menu_; }

  bool HasSelection() const { return anchor_ != caret_; }
  // The selected text as shown; empty without a selection.
  QString SelectedText() const;
  void SelectAll();
  void Copy() const;

  bool Following() const { return following_; }
  // Rows that arrived below the view since it stopped following.
  std::uint64_t NewRows() const { return newRows_; }
  std::uint64_t TopRow() const { return topRow_; }
  // Rows that fit whole in the view.
  int VisibleRows() const;
  // What arrived is painted (at the next event-loop turn) and shown on the
  // bar now rather than at the next frame: for measurements that want the
  // cost of every turn.
  void ShowNow();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool viewportEvent(QEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void UpdateMetrics();
  void UpdateColumns();
  // The pixels and the scroll bar are brought in line with the records at
  // most once a frame (16 ms), however many records came meanwhile.
  void ScheduleSync();
  void SyncNow();
  void SyncScrollBar();
  // Brings the pixels in line with what arrived: while following, the rows
  // on screen move up and only the rows that changed are painted.
  void FlushChanges();
  void UpdateAll();
  std::uint64_t BottomTop() const;
  void ScrollToBottom();
  void ScrollTo(std::uint64_t row);
  void EnsureVisible(std::uint64_t position);
  void KeepInRange();
  void MoveCaret(std::uint64_t position, bool extend);
  std::uint64_t PositionAt(QPoint point) const;
  std::uint64_t PositionInRow(std::uint64_t row, int column) const;
  int ColumnOf(std::uint64_t position) const;
  std::uint64_t StepChar(std::uint64_t position, int direction) const;
  QRect BadgeRect() const;
  // Paints one row; `record` is an index of the record at or before the
  // row's start, left at the record its end shows.
  void PaintRow(QPainter& painter, std::uint64_t row, int y, std::size_t& record) const;
  // Printable ASCII at `origin` (the baseline of its first cell), a cell a
  // character.
  void DrawAscii(QPainter& painter, QPointF origin, std::string_view run) const;
  void TypeText(const QString& typed);

  TrafficText text_;
  Colour defaultColour_ = kSentColour;
  QuietScrollBar* bar_ = nullptr;
  QMenu* menu_ = nullptr;
  QAction* copyAction_ = nullptr;
  qreal cellWidth_ = 7;
  QRawFont rawFont_;
  QList<quint32> asciiGlyphs_;  // glyph of each of U+0020 ... U+007E, when the font has all
  // Scratch of the painting, kept so that a row costs no allocation.
  mutable std::string rowBytes_;
  mutable QList<quint32> glyphIndexes_;
  mutable QList<QPointF> cellPositions_;  // where the cells of a run start, from its first
  int rowHeight_ = 14;
  int ascent_ = 11;
  std::uint64_t topRow_ = 0;
  bool following_ = true;
  std::uint64_t newRows_ = 0;
  std::uint64_t anchor_ = 0;
  std::uint64_t caret_ = 0;
  bool caretPlaced_ = false;  // until the user moves it, the caret is at the end
  bool dragging_ = false;
  bool syncQueued_ = false;
  QTimer* syncTimer_ = nullptr;
  QElapsedTimer lastSync_;
  std::uint64_t paintedTop_ = 0;  // the top row the pixels on screen show
  std::uint64_t dirtyRow_ = UINT64_MAX;  // the first row changed since
  bool fullPending_ = false;
  std::uint64_t paintedNewRows_ = 0;  // the count the badge on screen shows  // the whole view is to be painted anyway
  bool syncing_ = false;  // the scroll bar is being set, not moved by the user
};

}  // namespace lirosa
