#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "checksum/ChecksumKind.h"

namespace lirosa {

// Pure checksum computations over `count` bytes at `data` (`data` may be null
// when `count` is 0). None keeps state between calls.

// CRC-16/MODBUS (reflected 0xA001, init 0xFFFF, no final XOR); no bytes give
// 0xFFFF.
std::uint16_t ComputeCrc16(const std::uint8_t* data, std::size_t count);

// CRC-8 with polynomial 0x07, init 0, not reflected, result complemented; no
// bytes give 0xFF.
std::uint8_t ComputeCrc8(const std::uint8_t* data, std::size_t count);

// CRC-32 of Ethernet and ZIP (reflected 0xEDB88320, init and final XOR
// 0xFFFFFFFF); no bytes give 0.
std::uint32_t ComputeCrc32(const std::uint8_t* data, std::size_t count);

// Sum of the bytes modulo 256, not complemented.
std::uint8_t ComputeSum8(const std::uint8_t* data, std::size_t count);

// XOR of all the bytes.
std::uint8_t ComputeXor8(const std::uint8_t* data, std::size_t count);

// The bytes to append for `kind`, in the order the kind names: 2 for the
// CRC-16 kinds, 4 for the CRC-32 kinds, 1 for the rest.
std::vector<std::uint8_t> ChecksumBytes(ChecksumKind kind, const std::uint8_t* data, std::size_t count);

// The caption of the kind's radio in the checksum dialog. The two CRC-16
// choices share one caption, as do the two CRC-32 choices.
const char* ChecksumCaption(ChecksumKind kind);

}  // namespace lirosa
