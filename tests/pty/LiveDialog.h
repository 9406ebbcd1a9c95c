#pragma once

#include <time.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/ControlIds.h"
#include "app/MonitorDialog.h"
#include "app/SettingsFiles.h"
#include "serial/PosixSerialPort.h"
#include "support/FakeControls.h"
#include "support/Fakes.h"
#include "support/TempDir.h"

namespace lirosa::test {

// The port the live tests drive. One place to change when the window gets
// another port implementation.
inline std::unique_ptr<SerialPort> MakePortUnderTest() {
  return std::make_unique<PosixSerialPort>();
}

// Passes every call to the real port, counts them, and keeps a copy of every
// byte the window read, so a test can tell what the window actually got and
// whether it still touches the port.
class TappedPort final : public SerialPort {
 public:
  explicit TappedPort(std::unique_ptr<SerialPort> inner) : inner_(std::move(inner)) {}

  bool Open(const std::string& devicePath) override { return Count(inner_->Open(devicePath)); }
  bool IsOpen() const override { return inner_->IsOpen(); }
  bool GetLineState(LineState& state) override { return Count(inner_->GetLineState(state)); }
  bool SetLineState(const LineState& state) override { return Count(inner_->SetLineState(state)); }
  bool SetTimeouts(const Timeouts& timeouts) override {
    return Count(inner_->SetTimeouts(timeouts));
  }
  bool SetQueueSizes(std::size_t in, std::size_t out) override {
    return Count(inner_->SetQueueSizes(in, out));
  }
  bool Discard() override { return Count(inner_->Discard()); }
  bool SetDtr(bool on) override { return Count(inner_->SetDtr(on)); }
  int LastError() const override { return inner_->LastError(); }
  void SetLastError(int error) override { inner_->SetLastError(error); }
  long QueuedCount() override { return Count(inner_->QueuedCount()); }
  long Read(std::uint8_t* buffer, std::size_t count) override {
    const long got = Count(inner_->Read(buffer, count));
    if (got > 0) read.insert(read.end(), buffer, buffer + got);
    return got;
  }
  WriteResult Write(const std::uint8_t* data, std::size_t count) override {
    return Count(inner_->Write(data, count));
  }
  void Close() override {
    ++calls;
    inner_->Close();
  }

  std::int64_t calls = 0;
  std::vector<std::uint8_t> read;

 private:
  template <typename T>
  T Count(T result) {
    ++calls;
    return result;
  }

  std::unique_ptr<SerialPort> inner_;
};

// What the window asked to watch, for a test that plays the device watch.
class RecordingWatch final : public DeviceWatch {
 public:
  void WatchFolders(const std::vector<std::string>& wanted) override { folders = wanted; }
  std::vector<std::string> folders;
};

// A MonitorDialog on a real port, with fake controls, view, prompts and
// window, its settings in a fresh folder, and a 10 ms line tick on the
// monotonic clock as the toolkit's timer would give it.
class LiveDialog {
 public:
  static constexpr int kBaud115200Index = 12;
  static constexpr int kDataBits8Index = 2;

  LiveDialog() : port(MakePortUnderTest()) {
    // COMn names lead into an empty folder: no test reaches a real ttyS.
    Platform platform{controls, prompts, view, port,
                      clock, window, {}, settings.path().string(),
                      &watch, "/sys", (settings.path() / "dev").string()};
    dialog = std::make_unique<MonitorDialog>(platform);
    clock_gettime(CLOCK_MONOTONIC, &next_);
  }

  // Starts the window as a user's last session on `portPath` left it, with
  // these requests; the port is opened by the start-up.
  void Start(const std::string& portPath, const std::array<std::string, 3>& requests = {}) {
    WriteSettingsFiles(settings.path().string(),
                       {portPath, kBaud115200Index, kDataBits8Index, 0, 0}, requests);
    dialog->InitDialog();
  }

  // Captures into `path` from now on.
  void StartCapture(const std::string& path) {
    controls.SetText(kIdCaptureFileName, path);
    dialog->captureFileName = path;
    if (!dialog->capturing) dialog->OnCommand(kIdCapture, Notification::Clicked);
  }

  void Click(int id) { dialog->OnCommand(id, Notification::Clicked); }

  // One line tick at the next 10 ms mark; a late tick runs at once.
  void Tick() {
    next_.tv_nsec += 10'000'000;
    if (next_.tv_nsec >= 1'000'000'000) {
      next_.tv_nsec -= 1'000'000'000;
      ++next_.tv_sec;
    }
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    if (now.tv_sec > next_.tv_sec || (now.tv_sec == next_.tv_sec && now.tv_nsec > next_.tv_nsec)) {
      next_ = now;
    } else {
      clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next_, nullptr);
    }
    dialog->OnTimer(kLineTimerId);
  }

  // Ticks until `done` says yes or `timeout` has passed; returns its answer.
  template <typename Done>
  bool TickUntil(Done done, std::chrono::milliseconds timeout = std::chrono::milliseconds(3000)) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
      if (std::chrono::steady_clock::now() >= end) return false;
      Tick();
    }
    return true;
  }

  TempDir settings;
  RecordingWatch watch;
  FakeControls controls;
  FakePrompts prompts;
  FakeTrafficView view;
  FakeClock clock;
  FakeWindow window;
  TappedPort port;
  std::unique_ptr<MonitorDialog> dialog;

 private:
  timespec next_{};
};

}  // namespace lirosa::test
