#pragma once

#include <array>
#include <cstdint>

namespace lirosa {

// Entries of the four line-parameter lists, index 0 first. The settings
// files store positions in these lists, so their order is fixed.
inline constexpr std::array<const char*, 13> kBaudEntries = {
    "110", "300", "600", "1200", "2400", "4800", "9600", "14400", "19200", "38400", "56000", "57600", "115200"};
inline constexpr std::array<std::uint32_t, 13> kBaudRates = {
    110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400, 56000, 57600, 115200};
inline constexpr std::array<const char*, 3> kDataBitsEntries = {"6", "7", "8"};
inline constexpr std::array<int, 3> kDataBits = {6, 7, 8};
inline constexpr std::array<const char*, 5> kParityEntries = {"无", "奇校验", "偶校验", "Mark", "空格校验"};
inline constexpr std::array<const char*, 3> kStopBitsEntries = {"1", "1.5", "2"};

inline constexpr int kComPortCount = 20;  // COM1 ... COM20

}  // namespace lirosa
