#include "checksum/Checksums.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace lirosa {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Ascii(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

const Bytes kModbusRead{0x01, 0x03, 0x00, 0x00, 0x00, 0x0A};

struct ComputeRow {
  const char* name;
  Bytes data;
  std::uint16_t crc16;
  std::uint8_t crc8;
  std::uint32_t crc32;
  std::uint8_t sum8;
  std::uint8_t xor8;
};

class ChecksumComputeTest : public ::testing::TestWithParam<ComputeRow> {};

TEST_P(ChecksumComputeTest, GivesKnownValues) {
  const ComputeRow& row = GetParam();
  const std::uint8_t* data = row.data.data();
  const std::size_t count = row.data.size();
  EXPECT_EQ(ComputeCrc16(data, count), row.crc16);
  EXPECT_EQ(ComputeCrc8(data, count), row.crc8);
  EXPECT_EQ(ComputeCrc32(data, count), row.crc32);
  EXPECT_EQ(ComputeSum8(data, count), row.sum8);
  EXPECT_EQ(ComputeXor8(data, count), row.xor8);
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, ChecksumComputeTest,
    ::testing::Values(
        ComputeRow{"ModbusReadTenRegisters", kModbusRead, 0xCDC5, 0x46, 0xDDEBE1C8, 0x0E, 0x08},
        ComputeRow{"CheckDigits", Ascii("123456789"), 0x4B37, 0x0B, 0xCBF43926, 0xDD, 0x31},
        ComputeRow{"NoBytes", {}, 0xFFFF, 0xFF, 0x00000000, 0x00, 0x00},
        ComputeRow{"ModbusReadOneRegister", {0x01, 0x03, 0x00, 0x00, 0x00, 0x01}, 0x0A84, 0x77, 0x4A393840, 0x05, 0x03},
        ComputeRow{"SumWrapsAndHighBits", {0xFF, 0x01, 0x80}, 0xC041, 0x48, 0xB57A5F9E, 0x80, 0x7E},
        ComputeRow{"Pangram", Ascii("The quick brown fox jumps over the lazy dog"), 0xA89C, 0x3E, 0x414FA339, 0xD9,
                   0x4F}),
    [](const ::testing::TestParamInfo<ComputeRow>& info) { return std::string(info.param.name); });

TEST(ChecksumCompute, AcceptsNullDataWithZeroCount) {
  EXPECT_EQ(ComputeCrc16(nullptr, 0), 0xFFFF);
  EXPECT_EQ(ComputeCrc8(nullptr, 0), 0xFF);
  EXPECT_EQ(ComputeCrc32(nullptr, 0), 0u);
  EXPECT_EQ(ComputeSum8(nullptr, 0), 0);
  EXPECT_EQ(ComputeXor8(nullptr, 0), 0);
}

struct KindRow {
  const char* name;
  ChecksumKind kind;
  const char* caption;
  Bytes appended;
};

class ChecksumBytesTest : public ::testing::TestWithParam<KindRow> {};

TEST_P(ChecksumBytesTest, AppendsInTheKindsOrder) {
  const KindRow& row = GetParam();
  EXPECT_EQ(ChecksumBytes(row.kind, kModbusRead.data(), kModbusRead.size()), row.appended);
  EXPECT_STREQ(ChecksumCaption(row.kind), row.caption);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ChecksumBytesTest,
    ::testing::Values(KindRow{"Crc16LowFirst", ChecksumKind::Crc16LowFirst, "16 CRC", {0xC5, 0xCD}},
                      KindRow{"Crc16HighFirst", ChecksumKind::Crc16HighFirst, "16 CRC", {0xCD, 0xC5}},
                      KindRow{"Crc8", ChecksumKind::Crc8, "8 CRC", {0x46}},
                      KindRow{"Sum8", ChecksumKind::Sum8, "8 SUM", {0x0E}},
                      KindRow{"Xor8", ChecksumKind::Xor8, "8 XOR", {0x08}},
                      KindRow{"Crc32LowFirst", ChecksumKind::Crc32LowFirst, "CRC32", {0xC8, 0xE1, 0xEB, 0xDD}},
                      KindRow{"Crc32HighFirst", ChecksumKind::Crc32HighFirst, "CRC32", {0xDD, 0xEB, 0xE1, 0xC8}}),
    [](const ::testing::TestParamInfo<KindRow>& info) { return std::string(info.param.name); });

// A receiver checks a frame by running the CRC over the frame and its
// appended CRC: the low-first order is the one that leaves the CRC's fixed
// residue, which is what makes it the order a MODBUS line carries.
TEST(ChecksumBytes, LowFirstCrcsLeaveTheReceiversResidue) {
  Bytes frame = kModbusRead;
  const Bytes crc16 = ChecksumBytes(ChecksumKind::Crc16LowFirst, frame.data(), frame.size());
  Bytes withCrc16 = frame;
  withCrc16.insert(withCrc16.end(), crc16.begin(), crc16.end());
  EXPECT_EQ(ComputeCrc16(withCrc16.data(), withCrc16.size()), 0);

  const Bytes crc32 = ChecksumBytes(ChecksumKind::Crc32LowFirst, frame.data(), frame.size());
  Bytes withCrc32 = frame;
  withCrc32.insert(withCrc32.end(), crc32.begin(), crc32.end());
  EXPECT_EQ(ComputeCrc32(withCrc32.data(), withCrc32.size()), 0x2144DF1Cu);
}

}  // namespace
}  // namespace lirosa
