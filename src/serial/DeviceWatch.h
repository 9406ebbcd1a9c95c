#pragma once

#include <string>
#include <vector>

namespace lirosa {

// Notices devices coming and going, through the file-system notifications of
// the platform: the window never polls the device tree and never opens a
// device to find it.
class DeviceWatch {
 public:
  virtual ~DeviceWatch() = default;

  // Watches these folders from now on, in place of the last set. An entry
  // added to, removed from or replaced in one of them comes back soon, on
  // the window's thread, as MonitorDialog::OnDevicesChanged. A folder that
  // does not exist yet is watched once it appears.
  virtual void WatchFolders(const std::vector<std::string>& folders) = 0;
};

}  // namespace lirosa
