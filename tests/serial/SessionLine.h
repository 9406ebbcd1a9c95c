#pragma once

#include <cstdint>

#include "serial/SerialPort.h"

namespace lirosa::test {

// A line state as the port session builds it: parity checking on, no flow
// control, with the frame given.
inline LineState SessionLine(std::uint32_t baud, int dataBits = 8, int parity = 0,
                             int stopBits = 0) {
  LineState state;
  state.baudRate = baud;
  state.dataBits = dataBits;
  state.parity = parity;
  state.stopBits = stopBits;
  state.parityCheck = true;
  return state;
}

}  // namespace lirosa::test
