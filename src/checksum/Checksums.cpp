#include "checksum/Checksums.h"

#include <array>

namespace lirosa {

namespace {

constexpr std::uint16_t kCrc16Polynomial = 0xA001;
constexpr std::uint8_t kCrc8Polynomial = 0x07;
constexpr std::uint32_t kCrc32Polynomial = 0xEDB88320;

constexpr std::array<std::uint8_t, 256> MakeCrc8Table() {
  std::array<std::uint8_t, 256> table{};
  for (unsigned i = 0; i < table.size(); ++i) {
    unsigned crc = i;
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc & 0x80) != 0 ? (crc << 1) ^ kCrc8Polynomial : crc << 1;
    }
    table[i] = static_cast<std::uint8_t>(crc);
  }
  return table;
}

constexpr std::array<std::uint32_t, 256> MakeCrc32Table() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t i = 0; i < table.size(); ++i) {
    std::uint32_t crc = i;
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc & 1) != 0 ? (crc >> 1) ^ kCrc32Polynomial : crc >> 1;
    }
    table[i] = crc;
  }
  return table;
}

// Built by the compiler: fixed data that nothing can change at run time.
constexpr auto kCrc8Table = MakeCrc8Table();
constexpr auto kCrc32Table = MakeCrc32Table();

static_assert(kCrc8Table[1] == 0x07 && kCrc8Table[2] == 0x0E && kCrc8Table[3] == 0x09);
static_assert(kCrc32Table[1] == 0x77073096 && kCrc32Table[255] == 0x2D02EF8D);

std::uint8_t Byte(std::uint32_t value, int shift) {
  return static_cast<std::uint8_t>(value >> shift);
}

}  // namespace

std::uint16_t ComputeCrc16(const std::uint8_t* data, std::size_t count) {
  std::uint16_t crc = 0xFFFF;
  for (std::size_t i = 0; i < count; ++i) {
    crc ^= data[i];
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc & 1) != 0 ? static_cast<std::uint16_t>((crc >> 1) ^ kCrc16Polynomial)
                           : static_cast<std::uint16_t>(crc >> 1);
    }
  }
  return crc;
}

std::uint8_t ComputeCrc8(const std::uint8_t* data, std::size_t count) {
  std::uint8_t crc = 0;
  for (std::size_t i = 0; i < count; ++i) {
    crc = kCrc8Table[crc ^ data[i]];
  }
  return static_cast<std::uint8_t>(~crc);
}

std::uint32_t ComputeCrc32(const std::uint8_t* data, std::size_t count) {
  std::uint32_t crc = 0xFFFFFFFF;
  for (std::size_t i = 0; i < count; ++i) {
    crc = (crc >> 8) ^ kCrc32Table[(crc ^ data[i]) & 0xFF];
  }
  return ~crc;
}

std::uint8_t ComputeSum8(const std::uint8_t* data, std::size_t count) {
  std::uint8_t sum = 0;
  for (std::size_t i = 0; i < count; ++i) {
    sum = static_cast<std::uint8_t>(sum + data[i]);
  }
  return sum;
}

std::uint8_t ComputeXor8(const std::uint8_t* data, std::size_t count) {
  std::uint8_t x = 0;
  for (std::size_t i = 0; i < count; ++i) {
    x ^= data[i];
  }
  return x;
}

std::vector<std::uint8_t> ChecksumBytes(ChecksumKind kind, const std::uint8_t* data, std::size_t count) {
  switch (kind) {
    case ChecksumKind::Crc16LowFirst: {
      const std::uint16_t crc = ComputeCrc16(data, count);
      return {Byte(crc, 0), Byte(crc, 8)};
    }
    case ChecksumKind::Crc16HighFirst: {
      const std::uint16_t crc = ComputeCrc16(data, count);
      return {Byte(crc, 8), Byte(crc, 0)};
    }
    case ChecksumKind::Crc8:
      return {ComputeCrc8(data, count)};
    case ChecksumKind::Sum8:
      return {ComputeSum8(data, count)};
    case ChecksumKind::Xor8:
      return {ComputeXor8(data, count)};
    case ChecksumKind::Crc32LowFirst: {
      const std::uint32_t crc = ComputeCrc32(data, count);
      return {Byte(crc, 0), Byte(crc, 8), Byte(crc, 16), Byte(crc, 24)};
    }
    case ChecksumKind::Crc32HighFirst: {
      const std::uint32_t crc = ComputeCrc32(data, count);
      return {Byte(crc, 24), Byte(crc, 16), Byte(crc, 8), Byte(crc, 0)};
    }
  }
  return {};
}

const char* ChecksumCaption(ChecksumKind kind) {
  switch (kind) {
    case ChecksumKind::Crc16LowFirst:
    case ChecksumKind::Crc16HighFirst:
      return "16 CRC";
    case ChecksumKind::Crc8:
      return "8 CRC";
    case ChecksumKind::Sum8:
      return "8 SUM";
    case ChecksumKind::Xor8:
      return "8 XOR";
    case ChecksumKind::Crc32LowFirst:
    case ChecksumKind::Crc32HighFirst:
      return "CRC32";
  }
  return "";
}

}  // namespace lirosa
