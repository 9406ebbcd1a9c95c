#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lirosa::sim {

// The protocol side of a MODBUS RTU slave, without timing or I/O.
//
// Framing: requests for functions 01-06 are 8 bytes long (address,
// function, two 16-bit fields, CRC low byte first), so a frame is taken as
// soon as 8 bytes with a correct CRC are pending. Pending bytes that do not
// start a valid frame are dropped one at a time until they do (resync), and
// the owner calls DropPartialFrame after a silence on the line, as an RTU
// slave drops a frame cut short. Frames of other lengths (15, 16) are not
// recognised and get no reply.
//
// Registers: 65536 holding registers, register i holding i until written.
class ModbusSlave {
 public:
  explicit ModbusSlave(std::uint8_t address);

  // Takes bytes as they arrive and returns the replies owed for the frames
  // they complete, in order. A frame for another address, a broadcast
  // (address 0; a write is still carried out) or a frame with a bad CRC gets
  // none. 03 answers with the registers (quantity 1-125, else exception 03;
  // beyond register 65535 exception 02); 06 stores the value and answers
  // with the request; any other function gets exception 01.
  std::vector<std::vector<std::uint8_t>> Feed(const std::uint8_t* data, std::size_t count);

  bool HasPartialFrame() const { return !pending_.empty(); }
  void DropPartialFrame() { pending_.clear(); }

 private:
  // The reply to a whole frame with a good CRC; empty when none is due.
  std::vector<std::uint8_t> Answer(const std::uint8_t* frame);

  std::uint8_t address_;
  std::vector<std::uint8_t> pending_;
  std::vector<std::uint16_t> registers_;
};

}  // namespace lirosa::sim
