#include <cstdio>
#include <string>

#include "app/ControlIds.h"
#include "app/LineLists.h"
#include "app/MonitorDialog.h"

namespace lirosa {

namespace {

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

std::string MonitorDialog::DevicePath(const std::string& portName) {
  if (portName.size() > 3 && (portName.compare(0, 3, "COM") == 0 || portName.compare(0, 3, "com") == 0)) {
    std::string digits = portName.substr(3);
    bool allDigits = !digits.empty() && digits.size() <= 3 &&
                     digits.find_first_not_of("0123456789") == std::string::npos;
    if (allDigits && std::stoi(digits) >= 1) return "/dev/ttyS" + std::to_string(std::stoi(digits) - 1);
  }
  if (!portName.empty() && portName.front() != '/') return "/dev/" + portName;
  return portName;
}

int MonitorDialog::OpenPort() {
  if (!port_.Open(DevicePath(portSettings.portName))) {
    ReportMessage(Format("通信端口<%s>无法打开!", portSettings.portName));
    return 0;
  }
  LineState line;
  port_.GetLineState(line);
  const PortSettings& ps = portSettings;
  if (ps.baudIndex >= 0 && ps.baudIndex < static_cast<int>(kBaudRates.size())) {
    line.baudRate = kBaudRates[static_cast<std::size_t>(ps.baudIndex)];
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
    ReportMessage(Format("错误码: %s", std::to_string(static_cast<unsigned long>(error))));
    return 0;
  }
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
  ReportMessage(Format("通信端口<%s>已断开!", portSettings.portName));
}

}  // namespace lirosa
