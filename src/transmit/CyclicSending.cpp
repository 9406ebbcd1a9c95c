#include <cassert>
#include <cstdint>

#include "app/ControlIds.h"
#include "app/MonitorDialog.h"

namespace lirosa {

namespace {

constexpr const char* kCaptionStopRotation = "停止轮发";
constexpr const char* kCaptionStartRotation = "开始轮发";
constexpr const char* kFileCyclingBusy = "文件轮发正在进行，不能进行发送区轮发，需要的话，请先停止文件轮发！";

constexpr int kAutoIds[3] = {kIdAuto1, kIdAuto2, kIdAuto3};
constexpr int kPeriodIds[3] = {kIdPeriod1, kIdPeriod2, kIdPeriod3};
constexpr int kRepeatIds[3] = {kIdRepeat1, kIdRepeat2, kIdRepeat3};

std::size_t SlotIndex(int slot) {
  assert(slot >= 1 && slot <= 3);
  return static_cast<std::size_t>(slot - 1);
}

}  // namespace

// ---- Control handlers ---------------------------------------------------------
// They act on the controls only; the members follow at the next pull. Auto
// sending and the rotation exclude each other within one slot.

void MonitorDialog::OnAutoBox(int slot) {
  std::size_t i = SlotIndex(slot);
  bool ticked = controls_.Check(kAutoIds[i]) != 0;
  controls_.Enable(kPeriodIds[i], ticked);
  if (ticked) controls_.SetCheck(kRepeatIds[i], 0);
}

void MonitorDialog::OnRepeatBox(int slot) {
  std::size_t i = SlotIndex(slot);
  controls_.SetCheck(kAutoIds[i], 0);
  controls_.Enable(kPeriodIds[i], false);
}

void MonitorDialog::OnPacingPeriodic() {
  controls_.SetCheck(kIdPacingPeriodic, 1);
  controls_.SetCheck(kIdPacingResponse, 0);
  controls_.Enable(kIdCyclePeriod, true);
  controls_.Enable(kIdResponseTimeout, false);
  controls_.Enable(kIdRetryLimit, false);
  cycle.pacingMode = PacingMode::Periodic;
}

void MonitorDialog::OnPacingResponseDriven() {
  controls_.SetCheck(kIdPacingResponse, 1);
  controls_.SetCheck(kIdPacingPeriodic, 0);
  controls_.Enable(kIdCyclePeriod, false);
  controls_.Enable(kIdResponseTimeout, true);
  controls_.Enable(kIdRetryLimit, true);
  cycle.pacingMode = PacingMode::ResponseDriven;
}

void MonitorDialog::OnSendOnce() { cycle.sendOnce = cycle.sendOnce ? 0 : 1; }

// ---- The all-requests rotation ---------------------------------------------------

void MonitorDialog::ToggleAllRequests() {
  // The rotation and file cycling share the pacing state, so only one runs.
  if (fileJob.running) {
    ReportMessage(kFileCyclingBusy);
    return;
  }
  // Neither direction resets the index or the response wait: a restarted
  // rotation goes on after the slot it sent last.
  if (allRequests.running) {
    allRequests.running = false;
    controls_.SetText(kIdAllRequests, kCaptionStartRotation);
    controls_.Enable(kIdFileCycling, true);
    return;
  }
  allRequests.running = true;
  controls_.SetText(kIdAllRequests, kCaptionStopRotation);
  controls_.Enable(kIdFileCycling, false);
}

void MonitorDialog::StepAllRequests() {
  auto selected = [this](int slot) { return slots[SlotIndex(slot)].inAllRequests != 0; };
  if (!selected(1) && !selected(2) && !selected(3)) return;
  int& index = allRequests.index;
  // Four steps always reach a selected slot: at most three unselected ones
  // lie between the current index and the next selected one.
  for (int step = 0; step < 4; ++step) {
    ++index;
    if (index >= 4) {
      if (cycle.sendOnce) {
        // Every selected slot has gone out once: the round is over.
        ToggleAllRequests();
        index = 0;
        return;
      }
      index = 1;
    }
    if (selected(index)) break;
  }
  if (index >= 1 && index <= 3) SendRequest(index);
}

void MonitorDialog::StepAutoSends() {
  for (int slot = 1; slot <= 3; ++slot) {
    RequestSlot& request = slots[SlotIndex(slot)];
    if (!request.autoSend) continue;
    ++request.autoTickCount;
    // Ticks are credited, not timed; 64-bit so a huge period cannot wrap.
    if (static_cast<std::int64_t>(request.autoTickCount) * kAutoSendTickMs <= request.periodMs) continue;
    SendRequest(slot);
    request.autoTickCount = 0;
    if (!portOpen) return;  // the device went away during the send
  }
}

void MonitorDialog::StepRotation() {
  if (!allRequests.running) return;
  switch (cycle.pacingMode) {
    case PacingMode::Periodic:
      ++allRequests.cycleTickCount;
      if (static_cast<std::int64_t>(allRequests.cycleTickCount) * kCycleTickMs <= cycle.periodMs) return;
      allRequests.cycleTickCount = 0;
      StepAllRequests();
      return;
    case PacingMode::ResponseDriven: {
      ResponseWait& wait = responseWait;
      // A send that did nothing (empty or invalid request) still counts as
      // the step and is waited for like any other.
      auto stepAndWait = [&] {
        StepAllRequests();
        wait.awaitingResponse = true;
        wait.lastSendTime = clock_.Now();
        wait.retryCount = 0;
      };
      if (!wait.awaitingResponse) {
        stepAndWait();
        return;
      }
      std::time_t now = clock_.Now();
      // A clock set back would otherwise hold the rotation until it caught
      // up with the old send time.
      if (now < wait.lastSendTime) wait.lastSendTime = now;
      if (now - wait.lastSendTime <= cycle.responseTimeoutS) return;
      // A negative limit is never reached: the slot repeats until answered.
      if (wait.retryCount == cycle.maxRetries) {
        stepAndWait();
        return;
      }
      int index = allRequests.index;
      if (index >= 1 && index <= 3) SendRequest(index);
      wait.retryCount += 1;
      wait.lastSendTime = clock_.Now();
      return;
    }
  }
}

}  // namespace lirosa
