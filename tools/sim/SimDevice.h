#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "SimLog.h"
#include "SimOptions.h"

namespace lirosa::sim {

// Where a device puts the bytes it sends. The loop writes them out as the
// port takes them and drops whatever is still queued when the far end
// closes the port (a line nobody listens to loses its bytes).
class SimOutput {
 public:
  virtual void Send(const std::uint8_t* data, std::size_t count) = 0;
  // Bytes handed to Send and not yet taken by the port.
  virtual std::size_t Queued() const = 0;

 protected:
  ~SimOutput() = default;
};

// The behaviour played on the port. The loop calls these from one thread;
// `now` is the loop's clock reading for the step.
class SimDevice {
 public:
  virtual ~SimDevice() = default;

  virtual void Opened(SimTime /*now*/) {}
  // The far end has closed the port; the output queue was already dropped.
  virtual void Closed(SimTime /*now*/) {}
  virtual void Received(const std::uint8_t* /*data*/, std::size_t /*count*/, SimTime /*now*/,
                        SimOutput& /*out*/) {}
  // `count` bytes were taken by the port.
  virtual void Sent(std::size_t /*count*/, SimTime /*now*/) {}
  // Called on every turn of the loop, and no later than NextWake.
  virtual void Tick(SimTime /*now*/, SimOutput& /*out*/) {}
  virtual std::optional<SimTime> NextWake() const { return std::nullopt; }

  // Finite devices (script, flood): true once every byte has been taken by
  // the port, and Summary then gives the line to print.
  virtual bool Finished() const { return false; }
  virtual std::string Summary() const { return {}; }
};

std::unique_ptr<SimDevice> MakeSimDevice(const SimOptions& options);

}  // namespace lirosa::sim
