#include "win32/shell/Win32WindowHost.h"

#include "app/ControlIds.h"
#include "app/MonitorDialog.h"
#include "win32/shell/WideText.h"

namespace lirosa {

Win32WindowHost::Win32WindowHost(MainWindow& window) : window_(window) {
  window_.SetTickSink(this);
}

void Win32WindowHost::SetTitle(const std::string& title) {
  SetWindowTextW(window_.Handle(), Widen(title).c_str());
}

void Win32WindowHost::SetStayOnTop(bool topmost) {
  window_.SetPinned(topmost);
  SetWindowPos(window_.Handle(), topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void Win32WindowHost::RepaintStayOnTop() { window_.RepaintStayOnTop(); }

ScreenSize Win32WindowHost::PrimaryScreen() const {
  return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

void Win32WindowHost::ShowLamps(const LampFrame& frame) {
  // A tick that changes nothing paints nothing.
  if (lampsShown_ && shownLamps_ == frame) return;
  lampsShown_ = true;
  shownLamps_ = frame;
  window_.ShowLamps(frame);
}

void Win32WindowHost::SetTimers() {
  SetTimer(window_.Handle(), kLineTimerId, kLineTimerMs, nullptr);
  SetTimer(window_.Handle(), kLampTimerId, kLampTimerMs, nullptr);
}

void Win32WindowHost::StartTimers() {
  if (started_) return;
  started_ = true;
  lastTick_ = std::chrono::steady_clock::now();
  SetTimers();
}

void Win32WindowHost::Ticked(int timerId) {
  if (paused_) return;
  if (timerId == kLineTimerId) lastTick_ = std::chrono::steady_clock::now();
  if (MonitorDialog* logic = window_.Logic()) logic->OnTimer(timerId);
}

bool Win32WindowHost::PauseTimers() {
  if (!started_) return false;
  KillTimer(window_.Handle(), kLineTimerId);
  KillTimer(window_.Handle(), kLampTimerId);
  paused_ = true;
  return true;
}

std::int64_t Win32WindowHost::ResumeTimers() {
  if (!started_ || !paused_) return 0;
  paused_ = false;
  const auto elapsed = std::chrono::steady_clock::now() - lastTick_;
  SetTimers();
  return elapsed / std::chrono::milliseconds(kLineTimerMs);
}

void Win32WindowHost::PostWake() { PostMessageW(window_.Handle(), kWakeMessage, 0, 0); }

bool Win32WindowHost::PostShowMessages() {
  // A box opened inside the tick would run its loop under the tick, where
  // every further tick is refused.
  return PostMessageW(window_.Handle(), kShowMessagesMessage, 0, 0) != 0;
}

void Win32WindowHost::EndDialog() { window_.End(); }

}  // namespace lirosa
