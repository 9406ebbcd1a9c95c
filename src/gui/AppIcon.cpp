#include "gui/AppIcon.h"

// Resources compiled into a static library are only linked in when they are
// registered by name.
static void RegisterAppIcon() { Q_INIT_RESOURCE(AppIcon); }

namespace lirosa {

QIcon AppIcon() {
  static const bool registered = (RegisterAppIcon(), true);
  (void)registered;
  QIcon icon;
  // With its size given, a file is decoded only when that size is drawn;
  // without, all three were decoded here, at every start.
  for (int size : {48, 128, 256}) {
    icon.addFile(QStringLiteral(":/lirosa/icons/%1.png").arg(size), QSize(size, size));
  }
  return icon;
}

}  // namespace lirosa
