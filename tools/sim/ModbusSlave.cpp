#include "ModbusSlave.h"

#include "checksum/Checksums.h"

namespace lirosa::sim {

namespace {

constexpr std::size_t kRequestLength = 8;
constexpr std::size_t kRegisterCount = 65536;
constexpr unsigned kMaxReadQuantity = 125;

constexpr std::uint8_t kReadHoldingRegisters = 0x03;
constexpr std::uint8_t kWriteSingleRegister = 0x06;
constexpr std::uint8_t kExceptionFlag = 0x80;
constexpr std::uint8_t kIllegalFunction = 0x01;
constexpr std::uint8_t kIllegalDataAddress = 0x02;
constexpr std::uint8_t kIllegalDataValue = 0x03;

unsigned Field(const std::uint8_t* at) {
  return static_cast<unsigned>(at[0]) << 8 | at[1];
}

bool CrcMatches(const std::uint8_t* frame, std::size_t length) {
  const std::uint16_t crc = ComputeCrc16(frame, length - 2);
  return frame[length - 2] == (crc & 0xFF) && frame[length - 1] == (crc >> 8);
}

void AppendCrc(std::vector<std::uint8_t>& frame) {
  const std::uint16_t crc = ComputeCrc16(frame.data(), frame.size());
  frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
  frame.push_back(static_cast<std::uint8_t>(crc >> 8));
}

std::vector<std::uint8_t> Exception(std::uint8_t address, std::uint8_t function, std::uint8_t code) {
  std::vector<std::uint8_t> reply{address, static_cast<std::uint8_t>(function | kExceptionFlag), code};
  AppendCrc(reply);
  return reply;
}

}  // namespace

ModbusSlave::ModbusSlave(std::uint8_t address) : address_(address), registers_(kRegisterCount) {
  for (std::size_t i = 0; i < kRegisterCount; ++i) {
    registers_[i] = static_cast<std::uint16_t>(i);
  }
}

std::vector<std::vector<std::uint8_t>> ModbusSlave::Feed(const std::uint8_t* data, std::size_t count) {
  pending_.insert(pending_.end(), data, data + count);
  std::vector<std::vector<std::uint8_t>> replies;
  std::size_t start = 0;
  while (pending_.size() - start >= kRequestLength) {
    const std::uint8_t* frame = pending_.data() + start;
    if (!CrcMatches(frame, kRequestLength)) {
      ++start;
      continue;
    }
    if (auto reply = Answer(frame); !reply.empty()) {
      replies.push_back(std::move(reply));
    }
    start += kRequestLength;
  }
  pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(start));
  return replies;
}

std::vector<std::uint8_t> ModbusSlave::Answer(const std::uint8_t* frame) {
  const std::uint8_t address = frame[0];
  const std::uint8_t function = frame[1];
  const bool broadcast = address == 0;
  if (address != address_ && !broadcast) {
    return {};
  }

  const unsigned first = Field(frame + 2);
  const unsigned second = Field(frame + 4);
  if (function == kWriteSingleRegister) {
    registers_[first] = static_cast<std::uint16_t>(second);
    if (broadcast) {
      return {};
    }
    return std::vector<std::uint8_t>(frame, frame + kRequestLength);
  }
  // Only writes act on a broadcast, and nothing answers one.
  if (broadcast) {
    return {};
  }
  if (function != kReadHoldingRegisters) {
    return Exception(address_, function, kIllegalFunction);
  }
  if (second == 0 || second > kMaxReadQuantity) {
    return Exception(address_, function, kIllegalDataValue);
  }
  if (first + second > kRegisterCount) {
    return Exception(address_, function, kIllegalDataAddress);
  }
  std::vector<std::uint8_t> reply{address_, function, static_cast<std::uint8_t>(second * 2)};
  for (unsigned i = 0; i < second; ++i) {
    const std::uint16_t value = registers_[first + i];
    reply.push_back(static_cast<std::uint8_t>(value >> 8));
    reply.push_back(static_cast<std::uint8_t>(value & 0xFF));
  }
  AppendCrc(reply);
  return reply;
}

}  // namespace lirosa::sim
