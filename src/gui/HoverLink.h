#pragma once

#include <QObject>
#include <QString>

#include "gui/LinkOpener.h"

class QLabel;

namespace lirosa {

// Turns a text label into the about box's web link: underlined, shrunk to
// its text, the address in a tooltip, a pointing-hand cursor, blue / green
// while the pointer is over it / red once opened. A click opens the
// address; a failure beeps and explains itself in a box, and the link
// stays unvisited. Owned by the label.
class HoverLink final : public QObject {
  Q_OBJECT

 public:
  // An empty address takes the label's text; an empty text shows the
  // address.
  HoverLink(QLabel& label, LinkServices services, const QString& address = {});

  const QString& Address() const { return address_; }
  bool Visited() const { return visited_; }
  bool Over() const { return over_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FitToText();
  void Recolour();
  void Open();

  QLabel& label_;
  LinkServices services_;
  QString address_;
  bool over_ = false;
  bool visited_ = false;
  bool pressed_ = false;
};

}  // namespace lirosa
