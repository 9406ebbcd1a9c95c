#pragma once

#include <QObject>
#include <QString>

#include "gui/LinkOpener.h"

class QLabel;

namespace lirosa {

// A plain link on a label: a pointing-hand cursor and a left click that
// opens the address. On a text label the text is also underlined and blue,
// purple once opened; a picture keeps its look. A failure only beeps. Owned
// by the label.
class StaticLink final : public QObject {
  Q_OBJECT

 public:
  enum class Kind { Text, Picture };

  // An empty address falls back to the label's text at the click; with no
  // text either, a click does nothing.
  StaticLink(QLabel& label, Kind kind, LinkServices services, const QString& address = {});

  bool Visited() const { return visited_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Recolour();
  void Open();

  QLabel& label_;
  Kind kind_;
  LinkServices services_;
  QString address_;
  bool visited_ = false;
};

}  // namespace lirosa
