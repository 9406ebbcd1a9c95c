// A long session of the real window (offscreen, in this process) against a
// MODBUS device on a pseudo-terminal: the response-driven rotation of two
// requests with capture on, as a user would set it up. At the end every
// count is compared: requests the window sent, requests the device got,
// answers it sent, frames the window received and records captured. No
// frame may be lost; resident memory is reported along the way.
//
//   soak_bench [--minutes M] [--seconds S] [--no-auto-clear] [--keep]

#include <stdlib.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QEventLoop>
#include <QLineEdit>
#include <QTimer>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "Spawned.h"
#include "app/ControlIds.h"
#include "app/MonitorDialog.h"
#include "checksum/Checksums.h"
#include "gui/DialogLook.h"
#include "gui/MonitorWindow.h"
#include "gui/QtDialogControls.h"
#include "gui/QtTrafficView.h"
#include "gui/QtWindowHost.h"
#include "serial/BufferedSerialPort.h"
#include "serial/PosixSerialPort.h"
#include "support/Fakes.h"

namespace {

namespace fs = std::filesystem;
using lirosa::bench::MonotonicSeconds;
using lirosa::bench::ResidentKib;
using lirosa::bench::Spawned;

constexpr const char* kRequest1 = "01 03 00 00 00 01 84 0A";  // read register 0
constexpr const char* kRequest2 = "01 06 00 01 00 2A 59 D5";  // write 42 to register 1
constexpr std::size_t kRequestBytes = 8;
constexpr double kDrainSeconds = 5;  // after the rotation stops, for the last answer

struct Options {
  double seconds = 30 * 60;
  bool autoClear = true;
  bool keep = false;
};

bool Usage(const char* program) {
  std::fprintf(stderr, "usage: %s [--minutes M | --seconds S] [--no-auto-clear] [--keep]\n",
               program);
  return false;
}

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--keep") {
      options.keep = true;
      continue;
    }
    if (arg == "--no-auto-clear") {
      options.autoClear = false;
      continue;
    }
    if ((arg == "--minutes" || arg == "--seconds") && i + 1 < argc) {
      char* end = nullptr;
      const double value = std::strtod(argv[++i], &end);
      if (*end != '\0' || !(value > 0)) return Usage(argv[0]);
      options.seconds = arg == "--minutes" ? value * 60 : value;
      continue;
    }
    return Usage(argv[0]);
  }
  return true;
}

std::vector<std::uint8_t> HexBytes(const std::string& text) {
  std::vector<std::uint8_t> bytes;
  std::istringstream in(text);
  std::string token;
  while (in >> token) bytes.push_back(static_cast<std::uint8_t>(std::stoul(token, nullptr, 16)));
  return bytes;
}

bool CrcCorrect(const std::vector<std::uint8_t>& frame) {
  if (frame.size() < 3) return false;
  const std::uint16_t crc = lirosa::ComputeCrc16(frame.data(), frame.size() - 2);
  return frame[frame.size() - 2] == (crc & 0xFF) && frame[frame.size() - 1] == (crc >> 8);
}

// The simulator's log, "RX|TX <us> <hex bytes>" a chunk, read back as the
// byte streams of each direction.
struct SimTraffic {
  std::vector<std::uint8_t> received;
  std::vector<std::uint8_t> sent;
  int opens = 0;
};

SimTraffic ReadSimLog(const fs::path& path) {
  SimTraffic traffic;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string kind, micros;
    fields >> kind >> micros;
    std::string rest;
    std::getline(fields, rest);
    if (kind == "OPEN") ++traffic.opens;
    if (kind != "RX" && kind != "TX") continue;
    std::vector<std::uint8_t> bytes = HexBytes(rest);
    auto& stream = kind == "RX" ? traffic.received : traffic.sent;
    stream.insert(stream.end(), bytes.begin(), bytes.end());
  }
  return traffic;
}

// The device's answers, cut from what it sent: a read answer is 7 bytes
// here (one register), a write answer 8, an exception 5.
struct Answers {
  long count = 0;
  long badCrc = 0;
  long leftOver = 0;
};

// The length of the answer at `at`, 0 when too little of it is there.
std::size_t AnswerLength(const std::vector<std::uint8_t>& sent, std::size_t at) {
  if (at + 3 > sent.size()) return 0;
  std::size_t length = 5;  // address, function, exception code, CRC
  if (sent[at + 1] == 0x03) length = 5 + sent[at + 2];
  if (sent[at + 1] == 0x06) length = 8;
  return at + length <= sent.size() ? length : 0;
}

Answers CountAnswers(const std::vector<std::uint8_t>& sent) {
  Answers answers;
  std::size_t at = 0;
  while (at < sent.size()) {
    const std::size_t length = AnswerLength(sent, at);
    if (length == 0) break;
    const std::vector<std::uint8_t> frame(sent.begin() + at, sent.begin() + at + length);
    ++answers.count;
    if (!CrcCorrect(frame)) ++answers.badCrc;
    at += length;
  }
  answers.leftOver = static_cast<long>(sent.size() - at);
  return answers;
}

// The capture file: one received frame a line (CR LF), in hex.
struct Captured {
  long records = 0;
  long badCrc = 0;
};

Captured ReadCapture(const fs::path& path) {
  Captured captured;
  std::ifstream in(path, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    ++captured.records;
    if (!CrcCorrect(HexBytes(line))) ++captured.badCrc;
  }
  return captured;
}

void Click(lirosa::MonitorWindow& window, int id) {
  if (auto* button = qobject_cast<QAbstractButton*>(window.Control(id))) button->click();
}

void Type(lirosa::MonitorWindow& window, int id, const char* text) {
  if (auto* edit = qobject_cast<QLineEdit*>(window.Control(id))) edit->setText(text);
}

// Lets the event loop (and so the window's ticks) run for a while.
void RunFor(double seconds) {
  QEventLoop loop;
  QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
  loop.exec();
}

double Megabytes(long kib) { return static_cast<double>(kib) / 1024.0; }

int Run(const Options& options, const fs::path& work, int argc, char** argv) {
  using namespace lirosa;
  Spawned sim;
  Spawned::Spec spec;
  const fs::path simLog = work / "sim.log";
  spec.argv = {LIROSA_SIM_BIN, "modbus", "--log", simLog.string()};
  spec.stderrPath = (work / "sim.err").string();
  std::string error;
  if (!sim.Start(spec, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  const std::string device = sim.FirstLine(10);
  if (device.empty()) {
    std::fprintf(stderr, "the simulator gave no port\n");
    return 1;
  }

  // The settings a user would have left: this port, and the two requests.
  const fs::path settings = work / "lirosa";
  fs::create_directories(settings);
  std::ofstream(settings / "set.log", std::ios::binary) << device << "\r\n0\r\n0\r\n2\r\n6\r\n";
  std::ofstream(settings / "data.log", std::ios::binary)
      << kRequest1 << "\r\n" << kRequest2 << "\r\n\r\n";
  const fs::path capture = work / "capture.txt";

  QApplication app(argc, argv);
  ApplyDialogLook(app);
  MonitorWindow window;
  QtDialogControls controls(window.Controls());
  // Boxes are recorded, not shown: an unattended run must not wait on one.
  test::FakePrompts prompts;
  QtTrafficView view(window.TrafficDisplay());
  PosixSerialPort posixPort;
  BufferedSerialPort port(posixPort);
  SystemClock clock;
  QtWindowHost host(window);
  MonitorDialog logic(Platform{controls, prompts, view, port, clock, host, {}, settings.string()});
  window.Attach(&logic);
  logic.InitDialog();
  window.show();
  if (!logic.portOpen) {
    std::fprintf(stderr, "the window did not open %s\n", device.c_str());
    window.Attach(nullptr);
    return 1;
  }

  // Set up as a user would, through the controls, with ticks between the
  // steps as a hand on the mouse leaves them. (Choosing the capture file
  // writes every member back to the controls: whatever no tick has read
  // yet would be undone.)
  prompts.fileAnswers.push_back(capture.string());
  Click(window, kIdChooseCaptureFile);
  RunFor(0.1);
  Click(window, kIdRepeat1);
  Click(window, kIdRepeat2);
  Click(window, kIdPacingResponse);
  Type(window, kIdResponseTimeout, "1");
  Type(window, kIdRetryLimit, "1");
  Click(window, kIdNewLine);
  if (!options.autoClear) {
    qobject_cast<QCheckBox*>(window.Control(kIdAutoClear))->setCheckState(Qt::Unchecked);
  }
  RunFor(0.1);
  Click(window, kIdCapture);
  RunFor(0.1);
  Click(window, kIdAllRequests);
  if (!logic.allRequests.running || !logic.capturing) {
    std::fprintf(stderr, "the rotation or the capture did not start\n");
    window.Attach(nullptr);
    return 1;
  }

  const double start = MonotonicSeconds();
  const long rssStart = ResidentKib(getpid());
  std::vector<long> rssPerMinute;
  QTimer minute;
  QObject::connect(&minute, &QTimer::timeout, [&] {
    rssPerMinute.push_back(ResidentKib(getpid()));
    std::fprintf(stderr, "%4.0f min: %lld requests, %lld frames, VmRSS %.1f MB\n",
                 (MonotonicSeconds() - start) / 60,
                 static_cast<long long>(logic.counters.requestsSent),
                 static_cast<long long>(logic.counters.receivedFrames),
                 Megabytes(rssPerMinute.back()));
  });
  minute.start(60'000);
  QTimer::singleShot(static_cast<int>(options.seconds * 1000), &app, [&] {
    minute.stop();
    Click(window, kIdAllRequests);
    // The request on its way still gets its answer.
    const double drainEnd = MonotonicSeconds() + kDrainSeconds;
    auto settled = [&] {
      return logic.counters.receivedFrames >= logic.counters.requestsSent &&
             logic.rxFrame.frame.empty();
    };
    auto* check = new QTimer(&app);
    QObject::connect(check, &QTimer::timeout, [&, check, settled, drainEnd] {
      if (!settled() && MonotonicSeconds() < drainEnd) return;
      check->stop();
      // Not quit(): that would close the window first.
      QCoreApplication::exit(0);
    });
    check->start(50);
  });
  std::fprintf(stderr, "soaking for %.1f min ...\n", options.seconds / 60);
  app.exec();
  const double elapsed = MonotonicSeconds() - start;
  const long rssEnd = ResidentKib(getpid());

  Click(window, kIdCapture);
  const TrafficCounters counters = logic.counters;
  const bool stillOpen = logic.portOpen;
  logic.OnClose();
  window.Attach(nullptr);
  sim.Stop(2);

  const SimTraffic traffic = ReadSimLog(simLog);
  const Answers answers = CountAnswers(traffic.sent);
  const Captured captured = ReadCapture(capture);
  const long simRequests = static_cast<long>(traffic.received.size() / kRequestBytes);
  const long lost = static_cast<long>(counters.requestsSent - counters.receivedFrames);

  std::printf(
      "\nSoak: the window offscreen on lirosa-sim modbus for %.1f min; response-driven\n"
      "rotation of requests 1 and 2 (time-out 1 s, 1 retry), capture on, auto-clear %s\n\n",
      elapsed / 60, options.autoClear ? "on" : "off");
  std::printf("%-36s %10lld\n", "requests sent (window counter)",
              static_cast<long long>(counters.requestsSent));
  std::printf("%-36s %10ld%s\n", "requests received (simulator log)", simRequests,
              traffic.received.size() % kRequestBytes ? " + a partial one" : "");
  std::printf("%-36s %10ld (%ld with a bad CRC)\n", "answers sent (simulator log)",
              answers.count, answers.badCrc);
  std::printf("%-36s %10lld\n", "frames received (window counter)",
              static_cast<long long>(counters.receivedFrames));
  std::printf("%-36s %10ld (%ld with a bad CRC)\n", "records captured", captured.records,
              captured.badCrc);
  std::printf("%-36s %10lld / %lld\n", "bytes sent / received (window)",
              static_cast<long long>(counters.sentBytes),
              static_cast<long long>(counters.receivedBytes));
  std::printf("%-36s %10.1f\n", "requests a second", counters.requestsSent / elapsed);
  std::printf("%-36s %10ld\n", "frames lost (sent - received)", lost);
  std::printf("%-36s %10zu\n", "message boxes", prompts.shown.size());
  for (const auto& box : prompts.shown) std::printf("    box: %s\n", box.text.c_str());
  std::printf("VmRSS: %.1f MB at the start, %.1f MB at the end (%+.1f MB)", Megabytes(rssStart),
              Megabytes(rssEnd), Megabytes(rssEnd - rssStart));
  if (!rssPerMinute.empty()) {
    std::printf("; each minute:");
    for (long kib : rssPerMinute) std::printf(" %.1f", Megabytes(kib));
  }
  std::printf("\n");

  const bool consistent =
      stillOpen && traffic.opens == 1 && lost == 0 && counters.requestsSent == simRequests &&
      answers.count == counters.receivedFrames && answers.badCrc == 0 &&
      captured.records == counters.receivedFrames && captured.badCrc == 0 &&
      prompts.shown.empty() && counters.requestsSent > 0;
  std::printf("result: %s\n", consistent ? "every request answered, every answer received and "
                                           "captured"
                                         : "COUNTS DISAGREE (see above)");
  if (!stillOpen) std::printf("note: the port was closed during the run\n");
  if (traffic.opens != 1) std::printf("note: the port was opened %d times\n", traffic.opens);
  return consistent ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) return 2;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  const std::string work = lirosa::bench::MakeTempFolder("lirosa-soak");
  if (work.empty()) {
    std::perror("mkdtemp");
    return 1;
  }
  setenv("XDG_CONFIG_HOME", work.c_str(), 1);
  const int result = Run(options, work, argc, argv);
  if (options.keep || result != 0) {
    std::fprintf(stderr, "work folder kept: %s\n", work.c_str());
  } else {
    std::error_code ignored;
    fs::remove_all(work, ignored);
  }
  return result;
}
