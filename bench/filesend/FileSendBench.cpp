// Cost of one file-sending step near the top and near the bottom of a
// 100 000-line file, measured side by side in one run, next to what reading
// the file from its start up to the line would cost.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/ControlIds.h"
#include "app/MonitorDialog.h"
#include "transmit/LineIndex.h"
#include "support/FakeControls.h"
#include "support/Fakes.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kLines = 100000;
constexpr int kRounds = 301;
constexpr int kHugeLines = 10'000'000;

double MedianMicroseconds(std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  return samples[samples.size() / 2];
}

double TimeOnce(const std::function<void()>& work) {
  auto start = Clock::now();
  work();
  return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

// What a step costs when it reads the file from the top to the line.
std::string ScanToLine(const std::string& path, int number) {
  std::ifstream in(path, std::ios::binary);
  std::string line;
  for (int i = 0; i < number && std::getline(in, line); ++i) {
  }
  return line;
}

}  // namespace

int main() {
  using namespace lirosa;
  std::string pattern = (std::filesystem::temp_directory_path() / "lirosa-bench-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    std::perror("mkdtemp");
    return 1;
  }
  const std::filesystem::path dir = pattern;
  const std::string path = (dir / "send.txt").string();
  {
    std::ofstream out(path, std::ios::binary);
    char line[32];
    for (int i = 0; i < kLines; ++i) {
      std::snprintf(line, sizeof line, "01 03 %02X %02X 00 0A\r\n", (i >> 8) & 0xFF, i & 0xFF);
      out << line;
    }
  }

  test::FakeControls controls;
  test::FakePrompts prompts;
  test::FakeTrafficView view;
  test::FakeSerialPort port;
  test::FakeClock clock;
  test::FakeWindow window;
  Platform platform{controls, prompts, view, port, clock, window, {}, dir.string()};
  MonitorDialog dialog(platform);
  dialog.InitDialog();
  prompts.fileAnswers.push_back(path);
  dialog.ChooseSendFile();
  if (dialog.fileJob.lineCount != kLines) {
    std::fprintf(stderr, "counted %d lines, expected %d\n", dialog.fileJob.lineCount, kLines);
    return 1;
  }

  auto step = [&](int line) {
    dialog.fileJob.nextLine = line;
    dialog.SendNextFileLine();
    port.written.clear();
    port.calls.clear();
  };
  std::vector<double> first, last, scanFirst, scanLast, rebuild;
  step(1);  // warm up
  for (int round = 0; round < kRounds; ++round) {
    // Taken in turns, so that neither end always follows the other.
    if (round % 2 == 0) {
      first.push_back(TimeOnce([&] { step(1); }));
      last.push_back(TimeOnce([&] { step(kLines); }));
    } else {
      last.push_back(TimeOnce([&] { step(kLines); }));
      first.push_back(TimeOnce([&] { step(1); }));
    }
    scanFirst.push_back(TimeOnce([&] { ScanToLine(path, 1); }));
    scanLast.push_back(TimeOnce([&] { ScanToLine(path, kLines); }));
  }
  // A changed file is read through once, at the next step.
  for (int round = 0; round < 21; ++round) {
    timespec times[2] = {{1700000000 + round, 0}, {1700000000 + round, 0}};
    utimensat(AT_FDCWD, path.c_str(), times, 0);
    rebuild.push_back(TimeOnce([&] { step(kLines); }));
  }

  const double a = MedianMicroseconds(first), b = MedianMicroseconds(last);
  const double sa = MedianMicroseconds(scanFirst), sb = MedianMicroseconds(scanLast);
  std::printf("file sending, %d-line file, median of %d rounds\n", kLines, kRounds);
  std::printf("  step at line 1:        %10.2f us\n", a);
  std::printf("  step at line %d:   %10.2f us\n", kLines, b);
  std::printf("  ratio last/first:      %10.2f\n", b / a);
  std::printf("reading from the top up to the line, for comparison\n");
  std::printf("  scan to line 1:        %10.2f us\n", sa);
  std::printf("  scan to line %d:   %10.2f us\n", kLines, sb);
  std::printf("  ratio last/first:      %10.2f\n", sb / sa);
  std::printf("first step after the file changed (index rebuilt): %.2f us\n",
              MedianMicroseconds(rebuild));

  // Choosing a file of millions of lines: the window is held only by the
  // choice and by one slice per tick, not by the whole read-through.
  const std::string huge = (dir / "huge.txt").string();
  {
    std::ofstream out(huge, std::ios::binary);
    const std::string block = [] {
      std::string b;
      for (int i = 0; i < 1000; ++i) b += "01 03 00 00 00 0A\r\n";
      return b;
    }();
    for (int i = 0; i < kHugeLines / 1000; ++i) out << block;
  }
  std::vector<double> blocks;
  prompts.fileAnswers.push_back(huge);
  const auto chooseStart = std::chrono::steady_clock::now();
  blocks.push_back(TimeOnce([&] { dialog.ChooseSendFile(); }));
  while (dialog.fileJob.counting) {
    blocks.push_back(TimeOnce([&] { dialog.OnTimer(kLineTimerId); }));
  }
  const double total =
      std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - chooseStart).count();
  const double longest = *std::max_element(blocks.begin(), blocks.end());
  if (std::getenv("LIROSA_BENCH_VERBOSE")) {
    for (double b : blocks) std::printf(" %.0f", b);
    std::printf("\n");
  }
  LineIndex whole;
  const double atOnce = TimeOnce([&] { whole.Refresh(huge); });
  std::printf("choosing a %d-line file (%d ticks to count it, %d lines counted)\n", kHugeLines,
              static_cast<int>(blocks.size()) - 1, dialog.fileJob.lineCount);
  std::printf("  longest block of the window: %10.0f us (%.2f of a 10 ms tick)\n", longest,
              longest / 10000.0);
  std::printf("  choice to count shown:       %10.0f us\n", total);
  std::printf("  reading it through at once:  %10.0f us\n", atOnce);
  std::printf("  ratio at once / longest block: %8.1f\n", atOnce / longest);

  std::filesystem::remove_all(dir);
  return 0;
}
