#include "gui/RefreshGate.h"

#include <algorithm>
#include <utility>

namespace lirosa {

RefreshGate::RefreshGate(int periodMs, QObject* parent) : QObject(parent), periodMs_(periodMs) {
  timer_.setSingleShot(true);
  connect(&timer_, &QTimer::timeout, this, &RefreshGate::Flush);
}

void RefreshGate::Post(const void* key, std::function<void()> show) {
  for (Change& change : waiting_) {
    if (change.key == key) {
      change.show = std::move(show);
      return;
    }
  }
  waiting_.push_back({key, std::move(show)});
  if (!timer_.isActive()) {
    const qint64 left = sinceShown_.isValid() ? periodMs_ - sinceShown_.elapsed() : 0;
    timer_.start(static_cast<int>(std::max<qint64>(left, 0)));
  }
}

void RefreshGate::Flush() {
  timer_.stop();
  sinceShown_.start();
  // A change shown may post another; it waits for the next period.
  std::vector<Change> due = std::exchange(waiting_, {});
  for (Change& change : due) change.show();
}

}  // namespace lirosa
