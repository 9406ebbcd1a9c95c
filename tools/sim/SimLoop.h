#pragma once

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "PtyEndpoint.h"
#include "SimDevice.h"
#include "SimLog.h"

namespace lirosa::sim {

// Runs a device on the master side of a pseudo-terminal: reads what the far
// end sends, hands it to the device, writes what the device sends as the
// port takes it, and follows the far end opening and closing the port
// (any number of times).
//
// Waiting happens only in ppoll, with the stop signals unblocked there and
// blocked everywhere else, so a signal ends the wait at once and never
// interrupts a half-done step.
class SimLoop final : private SimOutput {
 public:
  // All four must outlive the loop. A finished device's summary line goes
  // to `report`, flushed.
  SimLoop(PtyEndpoint& pty, SimDevice& device, SimLog& log, std::FILE* report);

  // Runs until `stopSignal` (set by the signal handler) is non-zero;
  // `waitMask` is the signal mask to wait with. Returns 0 when stopped so
  // or, with `exitWhenDone`, once the device has finished and the far end
  // has read everything (or closed the port, or read nothing for 2 s);
  // 1 after a system error, reported on stderr.
  int Run(const volatile std::sig_atomic_t& stopSignal, const sigset_t& waitMask, bool exitWhenDone);

 private:
  void Send(const std::uint8_t* data, std::size_t count) override;
  std::size_t Queued() const override { return queue_.size() - queueHead_; }

  // Each returns false after a system error (already reported).
  bool ReadAvailable(SimTime now);
  bool Flush(SimTime now);
  // Acts on the end of a read or write: a closed far end is marked, a
  // failure reported. False after a failure.
  bool Settle(PtyEndpoint::Io result, const char* what, SimTime now);
  void MarkClosed(SimTime now);
  void MarkOpened(SimTime now);
  bool FarEndHasRead(SimTime now);

  PtyEndpoint& pty_;
  SimDevice& device_;
  SimLog& log_;
  std::FILE* report_;
  bool farEndOpen_ = false;
  bool reported_ = false;
  std::vector<std::uint8_t> queue_;
  std::size_t queueHead_ = 0;
  // Draining before exit: the last time the far end's unread count fell.
  long lastUnread_ = -1;
  SimTime lastDrainProgress_{};
};

}  // namespace lirosa::sim
