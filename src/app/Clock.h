#pragma once

#include <ctime>

namespace lirosa {

// The calendar clock: whole seconds for response time-outs and local time for
// time stamps.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::time_t Now() const = 0;
  virtual std::tm LocalTime() const = 0;
};

// The machine's own clock.
class SystemClock final : public Clock {
 public:
  std::time_t Now() const override;
  std::tm LocalTime() const override;
};

}  // namespace lirosa
