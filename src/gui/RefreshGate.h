#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>
#include <vector>

namespace lirosa {

// Lets small parts of the window (counter edits, lamps) be redrawn at most
// once per screen refresh, however often the logic changes them.
//
// A change is shown once the event being handled has returned (so all the
// changes of one tick are shown together), and no sooner than a period
// after the last showing; only the last change for each key is shown. A
// screen cannot show more, and every redraw of a small edit also repaints
// what lies under it.
class RefreshGate final : public QObject {
 public:
  static constexpr int kPeriodMs = 16;

  explicit RefreshGate(int periodMs = kPeriodMs, QObject* parent = nullptr);

  // Shows the change for `key` by calling `show` from the event loop; a
  // change still waiting for the same key is dropped.
  void Post(const void* key, std::function<void()> show);
  // Shows every change still waiting, now.
  void Flush();
  bool Waiting() const { return !waiting_.empty(); }

 private:
  struct Change {
    const void* key;
    std::function<void()> show;
  };

  const int periodMs_;
  QTimer timer_;
  QElapsedTimer sinceShown_;
  std::vector<Change> waiting_;
};

}  // namespace lirosa
