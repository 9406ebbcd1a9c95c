#pragma once

#include <array>
#include <cstdint>

namespace lirosa {

// Entries of the four line-parameter lists, index 0 first. The settings
// files store positions in these lists, so their order is fixed.
// The rates after 115200 were appended later: indexes 0-12 keep their
// meaning in every stored set.log.
inline constexpr std::array<const char*, 26> kBaudEntries = {
    "110",    "300",    "600",     "1200",    "2400",    "4800",    "9600",
    "14400",  "19200",  "38400",   "56000",   "57600",   "115200",  "230400",
    "460800", "500000", "576000",  "921600",  "1000000", "1152000", "1500000",
    "2000000", "2500000", "3000000", "3500000", "4000000"};
inline constexpr std::array<std::uint32_t, 26> kBaudRates = {
    110,     300,     600,     1200,    2400,    4800,    9600,    14400,   19200,
    38400,   56000,   57600,   115200,  230400,  460800,  500000,  576000,  921600,
    1000000, 1152000, 1500000, 2000000, 2500000, 3000000, 3500000, 4000000};
// The baud member holds a list index up to the last one, and a rate typed
// into the baud box (one the list lacks) above it.
inline constexpr int kLastBaudIndex = static_cast<int>(kBaudRates.size()) - 1;
inline constexpr std::array<const char*, 3> kDataBitsEntries = {"6", "7", "8"};
inline constexpr std::array<int, 3> kDataBits = {6, 7, 8};
inline constexpr std::array<const char*, 5> kParityEntries = {"无", "奇校验", "偶校验", "Mark", "空格校验"};
inline constexpr std::array<const char*, 3> kStopBitsEntries = {"1", "1.5", "2"};

inline constexpr int kComPortCount = 20;  // COM1 ... COM20

}  // namespace lirosa
