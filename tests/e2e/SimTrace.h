#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lirosa::test {

// What lirosa-sim --log wrote: one entry per line. Chunks of bytes keep the
// log's own hex text ("01 03 00 00"); times are CLOCK_MONOTONIC in µs.
struct SimEvent {
  enum class Kind { Open, Close, Rx, Tx };
  Kind kind;
  std::int64_t micros = 0;
  std::string hex;
};

// One message on the line: consecutive chunks of one direction joined.
// `firstMicros` is when its first chunk was logged, `lastMicros` its last.
struct SimMessage {
  SimEvent::Kind kind;
  std::int64_t firstMicros = 0;
  std::int64_t lastMicros = 0;
  std::string hex;
};

// The complete lines of the log at `path` (a line still being written is
// left out); nothing when the file is missing. A line that does not parse
// is dropped.
std::vector<SimEvent> ReadSimTrace(const std::string& path);

// The received and sent messages, in order: runs of Rx (or Tx) chunks
// joined, Open and Close left out but ending a run.
std::vector<SimMessage> JoinChunks(const std::vector<SimEvent>& events);

// How many messages of `kind` the log at `path` holds so far.
std::size_t CountMessages(const std::string& path, SimEvent::Kind kind);

}  // namespace lirosa::test
