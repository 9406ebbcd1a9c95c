#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include "serial/DeviceWatch.h"

namespace lirosa {

// The device watch on Qt's file-system notifications (inotify on Linux).
// A folder that does not exist yet is found through its nearest existing
// parent, watched until the folder appears. A burst of changes (udev makes
// a node and then its links) is told once, shortly after its first change.
class QtDeviceWatch final : public QObject, public DeviceWatch {
  Q_OBJECT

 public:
  explicit QtDeviceWatch(QObject* parent = nullptr);

  void WatchFolders(const std::vector<std::string>& folders) override;
  QStringList Watched() const { return watcher_.directories(); }

  static constexpr int kSettleMs = 50;

 Q_SIGNALS:
  void Changed();

 private:
  void Rewatch();

  QFileSystemWatcher watcher_;
  QStringList wanted_;
  QTimer settle_;
};

}  // namespace lirosa
