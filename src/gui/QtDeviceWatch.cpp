#include "gui/QtDeviceWatch.h"

#include <QDir>
#include <QFileInfo>

namespace lirosa {

QtDeviceWatch::QtDeviceWatch(QObject* parent) : QObject(parent) {
  settle_.setSingleShot(true);
  settle_.setInterval(kSettleMs);
  connect(&settle_, &QTimer::timeout, this, [this] {
    // A folder made during the burst is watched from now on.
    Rewatch();
    Q_EMIT Changed();
  });
  connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] {
    Rewatch();
    if (!settle_.isActive()) settle_.start();
  });
}

void QtDeviceWatch::WatchFolders(const std::vector<std::string>& folders) {
  wanted_.clear();
  for (const std::string& folder : folders) wanted_ << QString::fromStdString(folder);
  Rewatch();
}

void QtDeviceWatch::Rewatch() {
  QStringList watch;
  for (const QString& folder : std::as_const(wanted_)) {
    // Up to the nearest folder there is: its change tells when the wanted
    // one appears.
    QString existing = QDir::cleanPath(folder);
    while (!QFileInfo(existing).isDir()) {
      const QString parent = QFileInfo(existing).path();
      if (parent == existing) break;
      existing = parent;
    }
    if (QFileInfo(existing).isDir() && !watch.contains(existing)) watch << existing;
  }
  const QStringList current = watcher_.directories();
  for (const QString& folder : current) {
    if (!watch.contains(folder)) watcher_.removePath(folder);
  }
  for (const QString& folder : std::as_const(watch)) {
    if (!current.contains(folder)) watcher_.addPath(folder);
  }
}

}  // namespace lirosa
