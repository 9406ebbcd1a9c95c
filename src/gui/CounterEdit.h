#pragma once

#include <QGlyphRun>
#include <QLineEdit>
#include <QPixmap>
#include <QRawFont>
#include <QTimer>
#include <array>

class QStyleOptionFrame;

namespace lirosa {

// A read-only edit for a count that changes many times a second.
//
// QLineEdit lays its text out and shapes it anew with every setText, which
// costs more than the redraw itself. A count is digits only, so while
// nobody works in the edit its value is drawn from the ten digits' glyphs,
// found once per font, where the edit would draw that text. The edit
// itself is given the text at most once a second, and at once when the
// user reaches for it (focus, click, menu) or when the value is not digits
// that fit; from then on it draws, selects and copies as ever.
class CounterEdit final : public QLineEdit {
  Q_OBJECT

 public:
  static constexpr int kSyncMs = 1000;

  explicit CounterEdit(QWidget* parent = nullptr);

  // The value to show from the next paint on. Only this sets the text: a
  // setText from elsewhere would leave the value behind.
  void ShowValue(const QString& value);
  // The value shown, whether the edit has been given it yet or not.
  const QString& ShownText() const { return value_; }
  // Whether the value is drawn here rather than by the edit.
  bool DrawsOwnText() const { return text() != value_; }

 protected:
  bool event(QEvent* event) override;
  void changeEvent(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  // The glyph run of `value` and its width, if it can be drawn here.
  bool Layout(const QString& value, QGlyphRun& run, qreal& width);
  void LoadDigits();
  void DrawPanel(QPainter& painter, const QStyleOptionFrame& panel);
  // Draws the value here, if it can be; otherwise the edit draws it.
  bool PaintCount();
  // Hands the value to the edit.
  void Sync();

  QString value_;
  QTimer syncTimer_;
  bool digitsLoaded_ = false;
  bool digitsUsable_ = false;
  QRawFont raw_;
  std::array<quint32, 10> glyphs_{};
  std::array<qreal, 10> advances_{};
  // The text line's height, as the edit measures it for any such text.
  int lineHeight_ = 0;
  // The frame and its background as last drawn: the style draws the frame
  // as an anti-aliased rounded path, most of a redraw's cost.
  struct PanelLook {
    QSize size;
    int state = 0;
    qint64 palette = 0;
    int group = 0;
    qreal ratio = 0;
    bool operator==(const PanelLook&) const = default;
  };
  PanelLook panelLook_;
  QPixmap panel_;
};

}  // namespace lirosa
