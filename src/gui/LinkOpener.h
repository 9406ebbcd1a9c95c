#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace lirosa {

// Called once with the result code of an attempt to open an address
// (LinkOpened(code) tells success; see shell/LinkRules.h).
using LinkDone = std::function<void(int code)>;

// What the link controls need from the desktop. Tests replace each part.
struct LinkServices {
  // Opens the address; `done` may run before this returns or later from
  // the event loop.
  std::function<void(const QString& address, LinkDone done)> open;
  std::function<void()> beep;
  // The failure box: exclamation icon, OK button.
  std::function<void(const QString& text)> warn;
};

// The desktop's opener (xdg-open), whose exit status tells whether the
// address was taken; without one, Qt's own choice of browser (which only
// tells whether it could be started). Beeps and boxes over `owner`.
LinkServices DesktopLinkServices(QWidget* owner);

// Starts `program` with the address as its one argument and reports what
// its exit status or a failure to start it means. A program still running
// after a few seconds (an opener that stays with the browser it started) is
// taken as success; it is reaped whenever it ends.
void RunLinkOpener(const QString& program, const QString& address, LinkDone done);

}  // namespace lirosa
