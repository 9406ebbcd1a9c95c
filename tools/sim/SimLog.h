#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace lirosa::sim {

using SimClock = std::chrono::steady_clock;
using SimTime = SimClock::time_point;

// Microseconds of CLOCK_MONOTONIC (what steady_clock reads on Linux), the
// time base of the log, so a test can compare it with its own clock.
std::int64_t MonotonicMicros(SimTime time);

// The traffic log: one line per chunk received or sent, appended and
// written through at once, so a test can read it while the simulator runs.
//
//   RX 123456789 01 03 00 00 00 01 84 0A
//   TX 123461802 01 03 02 00 00 B8 44
//   OPEN 123400000
//   CLOSE 125000000
class SimLog {
 public:
  SimLog() = default;
  ~SimLog();
  SimLog(const SimLog&) = delete;
  SimLog& operator=(const SimLog&) = delete;

  // Opens (creating, appending) `path`. False with a reason on failure.
  bool Open(const std::string& path, std::string& error);
  bool IsOpen() const { return fd_ >= 0; }

  // Both do nothing while no file is open. A failed write is reported once
  // on stderr and the log is given up; the device keeps running.
  void Data(const char* direction, SimTime time, const std::uint8_t* data, std::size_t count);
  void Event(const char* name, SimTime time);

 private:
  void WriteLine(const std::string& line);

  int fd_ = -1;
};

}  // namespace lirosa::sim
