#pragma once

#include <cstdint>
#include <ctime>

namespace lirosa {

// The calendar clock: whole seconds for response time-outs and local time for
// time stamps; and a monotonic clock in nanoseconds, the one a serial port
// stamps arrivals with (SerialPort::QueuedCountBy).
class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::time_t Now() const = 0;
  virtual std::tm LocalTime() const = 0;
  virtual std::int64_t MonotonicNs() const = 0;
};

// std::chrono::steady_clock in nanoseconds.
std::int64_t SteadyNowNs();

// The machine's own clock.
class SystemClock final : public Clock {
 public:
  std::time_t Now() const override;
  std::tm LocalTime() const override;
  std::int64_t MonotonicNs() const override { return SteadyNowNs(); }
};

}  // namespace lirosa
