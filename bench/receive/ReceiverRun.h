#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace lirosa {
class DialogControls;
class MonitorDialog;
}  // namespace lirosa

namespace lirosa::test {
class FakePrompts;
}

namespace lirosa::bench {

// What the two receivers (headless and windowed) share: their options, the
// settings folder that makes the window open the flooded port with capture
// on, the bookkeeping of the ticks and the RESULT line for the driver.
//
//   --port PATH --bytes N [--capture FILE] [--timeout-s S] [--keep]
//
// With --capture the window captures into FILE and leaves checking it to
// whoever started it, so that the check's own CPU is not counted as the
// window's; without, the capture goes into the temporary folder and is
// checked here.
struct ReceiverOptions {
  std::string port;
  std::int64_t bytes = -1;
  double timeoutS = 60;  // for the whole flood
  double stallS = 3;     // no byte for this long after the first: give up
  bool keep = false;     // leave the temporary folder for a look
  std::string capture;   // checked by the caller when given
};

// A temporary folder whose settings name the port at 115200 Bd, 8 data bits.
struct ReceiverFolder {
  std::filesystem::path dir;
  std::string capturePath;
};

// Reads the options and makes the folder. Returns 0, or the exit status to
// end with (2 on bad usage, 1 when the folder cannot be made).
int PrepareReceiver(int argc, char** argv, ReceiverOptions& options, ReceiverFolder& folder);

// After InitDialog: true when the window opened the port; else says why on
// stderr.
bool PortOpened(const MonitorDialog& dialog, const test::FakePrompts& prompts,
                const ReceiverOptions& options);

// Turns capture on into the folder's file, as the user would.
void StartCapture(MonitorDialog& dialog, DialogControls& controls, const ReceiverFolder& folder);

double Now();  // CLOCK_MONOTONIC seconds

// Follows the line ticks: when bytes came, and when the run is over.
class TickLog {
 public:
  explicit TickLog(const ReceiverOptions& options) : options_(options), start_(Now()) {}
  // After each line tick, with the received-bytes counter before it.
  void Tick(const MonitorDialog& dialog, std::int64_t before, bool late);
  // Every byte in and the last frame ended, the port gone, or time up.
  bool Done(const MonitorDialog& dialog) const;

  double firstByte = 0;
  double lastByte = 0;
  std::int64_t ticks = 0;
  std::int64_t lateTicks = 0;

 private:
  const ReceiverOptions& options_;
  double start_;
  double now_ = 0;
};

// Closes the window, checks the capture, prints the RESULT line (with
// `extra` fields appended) and cleans up. Returns the exit status: 0 when
// every byte arrived and the capture holds exactly them.
int FinishReceiver(MonitorDialog& dialog, const test::FakePrompts& prompts,
                   const ReceiverFolder& folder, const ReceiverOptions& options, const TickLog& log,
                   const std::string& extra);

}  // namespace lirosa::bench
