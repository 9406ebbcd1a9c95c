#include "gui/AppIcon.h"

#include <QIconEngine>
#include <QList>
#include <QPainter>
#include <QSize>

// Resources compiled into a static library are only linked in when they are
// registered by name.
static void RegisterAppIcon() { Q_INIT_RESOURCE(AppIcon); }

namespace lirosa {

namespace {

constexpr int kSizes[] = {48, 128, 256};

// Qt's own file engine decodes every file as it is added, even with its size
// given: three PNGs and a scan of the image plug-ins at every start, though
// an offscreen or Wayland window never draws its icon. This one says which
// sizes it has and reads the files the first time a pixmap is asked for.
class DeferredIconEngine final : public QIconEngine {
 public:
  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    return Files().pixmap(size, mode, state);
  }
  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
             QIcon::State state) override {
    Files().paint(painter, rect, Qt::AlignCenter, mode, state);
  }
  QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    return Files().actualSize(size, mode, state);
  }
  QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
    if (mode != QIcon::Normal || state != QIcon::Off) return Files().availableSizes(mode, state);
    QList<QSize> sizes;
    for (const int size : kSizes) sizes.append(QSize(size, size));
    return sizes;
  }
  bool isNull() override { return false; }
  QString key() const override { return QStringLiteral("lirosa-deferred"); }
  QIconEngine* clone() const override { return new DeferredIconEngine(*this); }

 private:
  QIcon& Files() {
    if (files_.isNull()) {
      for (const int size : kSizes) {
        files_.addFile(QStringLiteral(":/lirosa/icons/%1.png").arg(size), QSize(size, size));
      }
    }
    return files_;
  }

  QIcon files_;  // empty until first drawn
};

}  // namespace

QIcon AppIcon() {
  static const bool registered = (RegisterAppIcon(), true);
  (void)registered;
  return QIcon(new DeferredIconEngine);
}

}  // namespace lirosa
