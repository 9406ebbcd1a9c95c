#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "checksum/Checksums.h"
#include "pty/PtyPair.h"
#include "pty/SimProcess.h"
#include "support/TempDir.h"

namespace lirosa {
namespace {

using test::OpenRawPort;
using test::ReadBytes;
using test::SimProcess;
using test::TempDir;
using test::WaitUntil;
using test::WriteAll;
using Bytes = std::vector<std::uint8_t>;
using std::chrono::milliseconds;
using std::chrono::steady_clock;

Bytes WithCrc(Bytes frame) {
  const std::uint16_t crc = ComputeCrc16(frame.data(), frame.size());
  frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
  frame.push_back(static_cast<std::uint8_t>(crc >> 8));
  return frame;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

std::int64_t MonotonicMicros(steady_clock::time_point time) {
  return std::chrono::duration_cast<std::chrono::microseconds>(time.time_since_epoch()).count();
}

// A simulator started for one test, with the port opened as the terminal
// program would open it.
class Simulator : public ::testing::Test {
 protected:
  void Launch(const std::vector<std::string>& args) {
    ASSERT_TRUE(sim.Start(args)) << "lirosa-sim did not start from " << test::SimBinaryPath()
                                 << " (set LIROSA_SIM_BIN)";
    ASSERT_EQ(sim.Port().rfind("/dev/pts/", 0), 0u) << sim.Port();
  }

  void OpenPort() {
    port = OpenRawPort(sim.Port());
    ASSERT_GE(port, 0) << sim.Port();
  }

  void ClosePort() {
    if (port >= 0) ::close(port);
    port = -1;
  }

  void TearDown() override { ClosePort(); }

  // The log's lines, once one of them starts with `last` (or the deadline).
  std::vector<std::string> LogLinesUntil(const std::string& path, const std::string& last) {
    std::vector<std::string> lines;
    WaitUntil([&] {
      lines.clear();
      std::ifstream in(path);
      for (std::string line; std::getline(in, line);) lines.push_back(line);
      return !lines.empty() && lines.back().rfind(last, 0) == 0;
    });
    return lines;
  }

  SimProcess sim;
  int port = -1;
};

TEST_F(Simulator, EchoReturnsEveryByteValueUntranslated) {
  Launch({"echo"});
  OpenPort();
  // CR, LF, XON/XOFF, DEL and 0xFF would all be mangled by a cooked line.
  Bytes all(256);
  for (int i = 0; i < 256; ++i) all[i] = static_cast<std::uint8_t>(i);
  ASSERT_TRUE(WriteAll(port, all));
  EXPECT_EQ(ReadBytes(port, all.size()), all);
}

TEST_F(Simulator, KeepsServingAfterTheFarEndClosesAndReopens) {
  Launch({"echo"});
  for (int round = 0; round < 3; ++round) {
    OpenPort();
    const Bytes ping{'p', 'i', 'n', 'g', static_cast<std::uint8_t>('0' + round)};
    ASSERT_TRUE(WriteAll(port, ping));
    EXPECT_EQ(ReadBytes(port, ping.size()), ping) << "round " << round;
    ClosePort();
  }
  EXPECT_EQ(sim.Stop(SIGINT), 0);
}

TEST_F(Simulator, LogRecordsEachChunkWithMonotonicMicroseconds) {
  TempDir dir;
  const std::string log = dir.File("traffic.log");
  const auto before = steady_clock::now();
  Launch({"echo", "--log", log});
  OpenPort();
  ASSERT_TRUE(WriteAll(port, {0x01, 0xAB, 0x0D}));
  ASSERT_EQ(ReadBytes(port, 3).size(), 3u);
  ClosePort();
  const auto lines = LogLinesUntil(log, "CLOSE ");
  const auto after = steady_clock::now();

  std::regex shape(R"(^(OPEN|CLOSE|RX|TX) (\d+)((?: [0-9A-F]{2})*)$)");
  std::vector<std::string> kinds;
  std::string rx, tx;
  std::int64_t previous = MonotonicMicros(before);
  for (const auto& line : lines) {
    std::smatch match;
    ASSERT_TRUE(std::regex_match(line, match, shape)) << line;
    const std::int64_t time = std::stoll(match[2]);
    EXPECT_GE(time, previous) << line;
    EXPECT_LE(time, MonotonicMicros(after)) << line;
    previous = time;
    kinds.push_back(match[1]);
    if (match[1] == "RX") rx += match[3];
    if (match[1] == "TX") tx += match[3];
  }
  ASSERT_FALSE(kinds.empty());
  EXPECT_EQ(kinds.front(), "OPEN");
  EXPECT_EQ(kinds.back(), "CLOSE");
  EXPECT_EQ(rx, " 01 AB 0D");
  EXPECT_EQ(tx, " 01 AB 0D");
}

TEST_F(Simulator, LinkPointsAtThePortAndGoesAtExit) {
  TempDir dir;
  const std::string link = dir.File("port");
  // A stale link from an earlier run is replaced.
  ASSERT_EQ(::symlink("/dev/pts/nonexistent", link.c_str()), 0);
  Launch({"silent", "--link", link});
  EXPECT_EQ(std::filesystem::read_symlink(link).string(), sim.Port());
  EXPECT_EQ(sim.Stop(SIGTERM), 0);
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
}

TEST_F(Simulator, LinkNeverReplacesARealFile) {
  TempDir dir;
  dir.Write("port", "keep me");
  ASSERT_TRUE(sim.Spawn({"echo", "--link", dir.File("port")}, true));
  EXPECT_FALSE(sim.ReadLine(milliseconds(2000)));
  EXPECT_EQ(sim.WaitExit(), 1);
  EXPECT_EQ(dir.Read("port"), "keep me");
}

// MODBUS requests and replies, CRCs left off (both get theirs from
// ComputeCrc16). Register i holds i.
struct ModbusCase {
  const char* name;
  Bytes request;
  Bytes reply;
};

class ModbusReplies : public Simulator, public ::testing::WithParamInterface<ModbusCase> {};

TEST_P(ModbusReplies, AnswerWithTheRightFrame) {
  Launch({"modbus", "--delay-ms", "0"});
  OpenPort();
  ASSERT_TRUE(WriteAll(port, WithCrc(GetParam().request)));
  const Bytes expected = WithCrc(GetParam().reply);
  EXPECT_EQ(ReadBytes(port, expected.size()), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Simulator, ModbusReplies,
    ::testing::Values(
        ModbusCase{"ReadOneRegister", {0x01, 0x03, 0x00, 0x00, 0x00, 0x01}, {0x01, 0x03, 0x02, 0x00, 0x00}},
        ModbusCase{"ReadTenRegisters",
                   {0x01, 0x03, 0x00, 0x00, 0x00, 0x0A},
                   {0x01, 0x03, 0x14, 0, 0, 0, 1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 0, 7, 0, 8, 0, 9}},
        ModbusCase{"ReadTheLastTwoRegisters",
                   {0x01, 0x03, 0xFF, 0xFE, 0x00, 0x02},
                   {0x01, 0x03, 0x04, 0xFF, 0xFE, 0xFF, 0xFF}},
        ModbusCase{"ReadPastTheLastRegister", {0x01, 0x03, 0xFF, 0xFF, 0x00, 0x02}, {0x01, 0x83, 0x02}},
        ModbusCase{"ReadNoRegisters", {0x01, 0x03, 0x00, 0x10, 0x00, 0x00}, {0x01, 0x83, 0x03}},
        ModbusCase{"ReadTooManyRegisters", {0x01, 0x03, 0x00, 0x00, 0x00, 0x7E}, {0x01, 0x83, 0x03}},
        ModbusCase{"WriteEchoesTheRequest", {0x01, 0x06, 0x00, 0x07, 0xBE, 0xEF}, {0x01, 0x06, 0x00, 0x07, 0xBE, 0xEF}},
        ModbusCase{"OtherFunctionIsIllegal", {0x01, 0x04, 0x00, 0x00, 0x00, 0x01}, {0x01, 0x84, 0x01}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Simulator, ModbusReplyMatchesTheCatalogueFrame) {
  // Independent of ComputeCrc16: the well-known request and reply bytes.
  Launch({"modbus"});
  OpenPort();
  ASSERT_TRUE(WriteAll(port, {0x01, 0x03, 0x00, 0x00, 0x00, 0x01, 0x84, 0x0A}));
  EXPECT_EQ(ReadBytes(port, 7), (Bytes{0x01, 0x03, 0x02, 0x00, 0x00, 0xB8, 0x44}));
}

TEST_F(Simulator, ModbusIgnoresBadCrcOtherAddressesAndBroadcastsButResyncs) {
  Launch({"modbus", "--delay-ms", "0"});
  OpenPort();
  Bytes badCrc = WithCrc({0x01, 0x03, 0x00, 0x00, 0x00, 0x01});
  badCrc.back() ^= 0x01;
  const Bytes otherSlave = WithCrc({0x02, 0x03, 0x00, 0x00, 0x00, 0x01});
  const Bytes broadcastWrite = WithCrc({0x00, 0x06, 0x00, 0x05, 0x12, 0x34});
  const Bytes read = WithCrc({0x01, 0x03, 0x00, 0x05, 0x00, 0x01});
  // All in one go: the valid request right behind the garbage is still found.
  ASSERT_TRUE(WriteAll(port, Concat({badCrc, otherSlave, broadcastWrite, read})));
  // Nothing answered before the read; the broadcast write took effect.
  const Bytes expected = WithCrc({0x01, 0x03, 0x02, 0x12, 0x34});
  EXPECT_EQ(ReadBytes(port, expected.size()), expected);

  // And nothing is owed after it: the next bytes are the next reply.
  const Bytes write = WithCrc({0x01, 0x06, 0x00, 0x05, 0xAB, 0xCD});
  ASSERT_TRUE(WriteAll(port, write));
  EXPECT_EQ(ReadBytes(port, write.size()), write);
}

TEST_F(Simulator, ModbusAnswersAtItsAddressAfterTheDelay) {
  Launch({"modbus", "--address", "17", "--delay-ms", "150"});
  OpenPort();
  const auto sent = steady_clock::now();
  ASSERT_TRUE(WriteAll(port, Concat({WithCrc({0x01, 0x03, 0x00, 0x02, 0x00, 0x01}),
                                     WithCrc({0x11, 0x03, 0x00, 0x02, 0x00, 0x01})})));
  const Bytes expected = WithCrc({0x11, 0x03, 0x02, 0x00, 0x02});
  EXPECT_EQ(ReadBytes(port, expected.size()), expected);
  EXPECT_GE(steady_clock::now() - sent, milliseconds(150));
}

TEST_F(Simulator, FloodSendsExactlyThePatternReportsAndExits) {
  constexpr std::size_t kCount = 100000;
  Launch({"flood", "--bytes", std::to_string(kCount), "--exit"});
  OpenPort();
  const Bytes got = ReadBytes(port, kCount, milliseconds(4000));
  ASSERT_EQ(got.size(), kCount);
  for (std::size_t i = 0; i < kCount; ++i) {
    ASSERT_EQ(got[i], i % 251) << "byte " << i;
  }
  const auto report = sim.ReadLine(milliseconds(2000));
  ASSERT_TRUE(report);
  EXPECT_TRUE(std::regex_match(*report, std::regex(R"(SENT 100000 bytes in \d+\.\d{6} seconds)"))) << *report;
  EXPECT_EQ(sim.WaitExit(), 0);
  // Not a byte more before the hang-up.
  EXPECT_TRUE(ReadBytes(port, 1, milliseconds(200)).empty());
}

TEST_F(Simulator, FloodIsPacedAtTheRate) {
  Launch({"flood", "--bytes", "2000", "--rate", "10000"});
  OpenPort();
  const auto opened = steady_clock::now();
  ASSERT_EQ(ReadBytes(port, 2000).size(), 2000u);
  // 2000 bytes at 10000 bytes per second take 0.2 s.
  EXPECT_GE(steady_clock::now() - opened, milliseconds(190));
  const auto report = sim.ReadLine(milliseconds(2000));
  ASSERT_TRUE(report);
  std::smatch match;
  ASSERT_TRUE(std::regex_match(*report, match, std::regex(R"(SENT 2000 bytes in (\d+\.\d+) seconds)"))) << *report;
  EXPECT_GE(std::stod(match[1]), 0.19);
  EXPECT_LT(std::stod(match[1]), 1.0);
}

TEST_F(Simulator, ScriptWaitsForTheOpenThenKeepsItsGaps) {
  TempDir dir;
  const std::string log = dir.File("script.log");
  Launch({"script", "--interval-ms", "50", "01 02 03", "0a0B@150", "--exit", "--log", log});
  OpenPort();
  const Bytes expected{0x01, 0x02, 0x03, 0x0A, 0x0B};
  EXPECT_EQ(ReadBytes(port, expected.size()), expected);
  const auto report = sim.ReadLine(milliseconds(2000));
  ASSERT_TRUE(report);
  EXPECT_TRUE(std::regex_match(*report, std::regex(R"(SENT 5 bytes in \d+\.\d{6} seconds)"))) << *report;
  EXPECT_EQ(sim.WaitExit(), 0);

  std::ifstream in(log);
  std::int64_t opened = -1;
  std::vector<std::int64_t> sends;
  for (std::string kind; in >> kind;) {
    std::int64_t time = 0;
    in >> time;
    std::string rest;
    std::getline(in, rest);
    if (kind == "OPEN") opened = time;
    if (kind == "TX") sends.push_back(time);
  }
  ASSERT_GE(opened, 0);
  ASSERT_EQ(sends.size(), 2u);
  EXPECT_GE(sends[0] - opened, 50000);
  EXPECT_GE(sends[1] - sends[0], 150000);
}

// Command lines that must be refused before any port is made.
struct UsageCase {
  const char* name;
  std::vector<std::string> args;
};

class SimulatorUsage : public ::testing::TestWithParam<UsageCase> {};

TEST_P(SimulatorUsage, IsRefusedWithStatusTwo) {
  SimProcess sim;
  ASSERT_TRUE(sim.Spawn(GetParam().args, true));
  EXPECT_FALSE(sim.ReadLine(milliseconds(2000)));
  EXPECT_EQ(sim.WaitExit(), 2);
}

INSTANTIATE_TEST_SUITE_P(
    Simulator, SimulatorUsage,
    ::testing::Values(UsageCase{"NoMode", {}}, UsageCase{"UnknownMode", {"loopback"}},
                      UsageCase{"FloodWithoutCount", {"flood", "--rate", "100"}},
                      UsageCase{"OptionOfAnotherMode", {"echo", "--rate", "100"}},
                      UsageCase{"AddressZero", {"modbus", "--address", "0"}},
                      UsageCase{"AddressAbove247", {"modbus", "--address=248"}},
                      UsageCase{"NegativeDelay", {"modbus", "--delay-ms", "-5"}},
                      UsageCase{"BadHexFrame", {"script", "01 0G"}},
                      UsageCase{"BadFrameDelay", {"script", "01@soon"}},
                      UsageCase{"ScriptWithoutFrames", {"script", "--exit"}},
                      UsageCase{"MissingValue", {"echo", "--log"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SimulatorHelp, PrintsUsageAndExitsZero) {
  SimProcess sim;
  ASSERT_TRUE(sim.Spawn({"--help"}));
  const auto first = sim.ReadLine(milliseconds(2000));
  ASSERT_TRUE(first);
  EXPECT_EQ(first->rfind("Usage: lirosa-sim MODE", 0), 0u) << *first;
  EXPECT_EQ(sim.WaitExit(), 0);
}

}  // namespace
}  // namespace lirosa
