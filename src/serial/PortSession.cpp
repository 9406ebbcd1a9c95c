#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/ControlIds.h"
#include "app/LineLists.h"
#include "app/MonitorDialog.h"
#include "serial/OpenFailure.h"
#include "serial/PortNames.h"
#include "serial/SystemConsole.h"

namespace lirosa {

namespace {

namespace fs = std::filesystem;

constexpr const char* kCaptionOpen = "打开串口";
constexpr const char* kCaptionClose = "关闭串口";
constexpr std::uint32_t kMaxDword = 0xFFFFFFFFu;
constexpr std::size_t kQueueSize = 1024;

std::string Format(const char* pattern, const std::string& value) {
  std::string text = pattern;
  std::size_t at = text.find("%s");
  if (at != std::string::npos) text.replace(at, 2, value);
  return text;
}

}  // namespace

std::string MonitorDialog::DevicePath(const std::string& portName, const std::string& devRoot) {
  if (portName.size() > 3 && (portName.compare(0, 3, "COM") == 0 || portName.compare(0, 3, "com") == 0)) {
    std::string digits = portName.substr(3);
    bool allDigits = !digits.empty() && digits.size() <= 3 &&
                     digits.find_first_not_of("0123456789") == std::string::npos;
    if (allDigits && std::stoi(digits) >= 1) {
      return devRoot + "/ttyS" + std::to_string(std::stoi(digits) - 1);
    }
  }
  if (!portName.empty() && portName.front() != '/') return devRoot + "/" + portName;
  return portName;
}

std::vector<ListEntry> MonitorDialog::PortEntries() const {
  std::vector<ListEntry> ports;
  for (int n = 1; n <= kComPortCount; ++n) ports.push_back({"COM" + std::to_string(n), {}});
  if (listPorts_) {
    for (ListEntry& found : listPorts_()) ports.push_back(std::move(found));
  }
  return ports;
}

bool MonitorDialog::OpenDevice(const std::string& devicePath, std::string& failure) {
  const std::string heading = Format("通信端口<%s>无法打开!", portSettings.portName);
  // Checked before the open: opening would already raise DTR on it.
  if (IsSystemConsole(devicePath, sysRoot_)) {
    failure = heading + "\n" + SystemConsoleReason();
    return false;
  }
  if (!port_.Open(devicePath)) {
    failure = heading + "\n" + OpenFailureReason(port_.LastError(), devicePath);
    return false;
  }
  LineState line;
  port_.GetLineState(line);
  const PortSettings& ps = portSettings;
  if (ps.baudIndex >= 0 && ps.baudIndex <= kLastBaudIndex) {
    line.baudRate = kBaudRates[static_cast<std::size_t>(ps.baudIndex)];
  } else if (ps.baudIndex > kLastBaudIndex) {
    line.baudRate = static_cast<std::uint32_t>(ps.baudIndex);  // a typed rate
  }
  if (ps.dataBitsIndex >= 0 && ps.dataBitsIndex < static_cast<int>(kDataBits.size())) {
    line.dataBits = kDataBits[static_cast<std::size_t>(ps.dataBitsIndex)];
  }
  line.parity = ps.parityIndex;
  line.stopBits = ps.stopBitsIndex;
  line.binary = true;
  line.parityCheck = true;
  line.ctsFlow = false;
  line.dsrFlow = false;
  line.dtrEnable = true;
  line.xonXoffOut = false;
  line.xonXoffIn = false;
  line.rtsEnable = true;
  line.xonChar = 0x11;
  line.xoffChar = 0x13;
  line.xonLimit = 100;
  line.xoffLimit = 100;
  port_.SetLineState(line);
  port_.SetTimeouts({kMaxDword, 100, 1000, 100, 1000});
  port_.SetQueueSizes(kQueueSize, kQueueSize);
  port_.Discard();
  port_.SetDtr(true);
  if (int error = port_.LastError(); error != 0) {
    port_.SetLastError(0);
    // Release the device: a port we cannot configure must not stay held.
    port_.Close();
    failure = Format("错误码: %s", std::to_string(static_cast<unsigned long>(error)));
    return false;
  }
  return true;
}

void MonitorDialog::RememberOpenDevice(const std::string& devicePath) {
  // Taken while the device is there: once it is gone, neither its stable
  // name nor its node can be found from the path any more.
  lostDevice.path = devicePath;
  lostDevice.stableName = StableNameOf(devicePath, devRoot_);
  std::error_code error;
  const fs::path node = fs::canonical(devicePath, error);
  lostDevice.nodeFolder = error ? std::string() : node.parent_path().string();
  lostDevice.retryOpen = false;
}

int MonitorDialog::OpenPort() {
  const std::string devicePath = DevicePath(portSettings.portName, devRoot_);
  std::string failure;
  if (!OpenDevice(devicePath, failure)) {
    ReportMessage(failure);
    return 0;
  }
  RememberOpenDevice(devicePath);
  return 1;
}

int MonitorDialog::ClosePort() {
  if (portOpen) {
    port_.SetDtr(false);
    port_.Discard();
    port_.Close();
  }
  return 1;
}

void MonitorDialog::TogglePort() {
  // The user's clipboard is left alone: the display never needs it.
  PullControls();
  if (!portOpen && lostDevice.waiting) {
    // A press while a lost device is waited for ends the wait. What is
    // there now opens as usual; with nothing there the port stays closed,
    // and what was paused with it stops, as a close stops it.
    StopWaitingForDevice();
    std::error_code error;
    if (!fs::exists(DevicePath(portSettings.portName, devRoot_), error)) {
      controls_.SetText(kIdOpenClose, kCaptionOpen);
      if (allRequests.running) {
        ToggleAllRequests();
      } else if (fileJob.running) {
        ToggleFileCycling();
      }
      return;
    }
  }
  if (portOpen) {
    ClosePort();
    portOpen = false;
    controls_.SetText(kIdOpenClose, kCaptionOpen);
    if (allRequests.running) {
      ToggleAllRequests();
    } else if (fileJob.running) {
      ToggleFileCycling();
    }
    return;
  }
  if (OpenPort() == 1) {
    portOpen = true;
    controls_.SetText(kIdOpenClose, kCaptionClose);
  }
}

void MonitorDialog::OnPortListChange() {
  // Another choice: the lost device is no longer wanted back.
  if (lostDevice.waiting) StopWaitingForDevice();
  if (!portOpen) return;
  ClosePort();
  portOpen = false;
  controls_.SetText(kIdOpenClose, kCaptionOpen);
}

void MonitorDialog::OnPortNameEntered() {
  Wake();
  OnPortListChange();
  // Closed now, so this opens the typed name.
  TogglePort();
}

void MonitorDialog::OnLineListChange() {
  if (!portOpen) return;
  port_.SetDtr(false);
  port_.Discard();
  port_.Close();
  // Closed while reopening, so ticks run under a message box leave the port
  // alone.
  portOpen = false;
  PullControls();
  if (OpenPort() == 1) {
    portOpen = true;
    return;
  }
  controls_.SetText(kIdOpenClose, kCaptionOpen);
}

void MonitorDialog::HandleDeviceGone() {
  if (!portOpen) return;
  // The descriptor is dropped at once: while it is held, a re-plugged
  // adapter comes back under another name.
  port_.Close();
  portOpen = false;
  controls_.SetText(kIdOpenClose, kCaptionOpen);
  // What arrived before the loss ends as a frame now, so it is shown and
  // captured rather than held for a device that may never come back.
  if (!rxFrame.frameIdle && !rxFrame.frame.empty()) EndFrame();
  // Waited for from now on; the message box does not hold it up, since the
  // device watch reopens it whenever it returns.
  lostDevice.waiting = true;
  WatchDevices();
  ReportMessage(Format("通信端口<%s>已断开!", portSettings.portName));
}

void MonitorDialog::OnDevicesChanged() {
  Wake();
  RefreshPortList();
  TryReconnect();
}

void MonitorDialog::RefreshPortList() {
  const std::vector<ListEntry> entries = PortEntries();
  if (entries == controls_.ListEntries(kIdPortList)) return;  // the caret stays
  const std::string shown = controls_.Text(kIdPortList);
  controls_.SetListEntries(kIdPortList, entries);
  // The chosen entry stays chosen; a typed name or a device that has gone
  // stays as typed text.
  const auto same = std::find_if(entries.begin(), entries.end(),
                                 [&](const ListEntry& e) { return e.text == shown; });
  if (same != entries.end()) {
    controls_.SetListIndex(kIdPortList, static_cast<int>(same - entries.begin()));
  } else {
    controls_.SetText(kIdPortList, shown);
  }
}

void MonitorDialog::TryReconnect() {
  if (!lostDevice.waiting || portOpen) return;
  lostDevice.retryOpen = false;
  for (const std::string& candidate : {lostDevice.path, lostDevice.stableName}) {
    std::error_code error;
    if (candidate.empty() || !fs::exists(candidate, error)) continue;
    std::string failure;
    if (!OpenDevice(candidate, failure)) {
      // There but not ready (udev still setting its permissions, say): try
      // again shortly, quietly.
      lostDevice.retryOpen = true;
      continue;
    }
    portOpen = true;
    lostDevice.waiting = false;
    controls_.SetText(kIdOpenClose, kCaptionClose);
    if (candidate != DevicePath(portSettings.portName, devRoot_)) {
      // Back under another kernel name: the box shows what is open.
      portSettings.portName = candidate;
      controls_.SetText(kIdPortList, candidate);
    }
    RememberOpenDevice(candidate);
    WatchDevices();
    return;
  }
}

void MonitorDialog::StopWaitingForDevice() {
  lostDevice.waiting = false;
  lostDevice.retryOpen = false;
  WatchDevices();
}

void MonitorDialog::WatchDevices() {
  if (!deviceWatch_) return;
  std::vector<std::string> folders = {devRoot_, devRoot_ + "/serial/by-id"};
  if (lostDevice.waiting) {
    // A link of the user's own (not under devRoot) changes in its folder;
    // the node it led to comes back in the node's folder.
    for (const std::string& folder :
         {fs::path(lostDevice.path).parent_path().string(), lostDevice.nodeFolder}) {
      if (!folder.empty() && std::find(folders.begin(), folders.end(), folder) == folders.end()) {
        folders.push_back(folder);
      }
    }
  }
  deviceWatch_->WatchFolders(folders);
}

}  // namespace lirosa
