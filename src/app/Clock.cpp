#include "app/Clock.h"

#include <chrono>

namespace lirosa {

std::int64_t SteadyNowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::time_t SystemClock::Now() const { return std::time(nullptr); }

std::tm SystemClock::LocalTime() const {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local;
}

}  // namespace lirosa
