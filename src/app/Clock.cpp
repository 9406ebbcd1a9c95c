#include "app/Clock.h"

namespace lirosa {

std::time_t SystemClock::Now() const { return std::time(nullptr); }

std::tm SystemClock::LocalTime() const {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local;
}

}  // namespace lirosa
