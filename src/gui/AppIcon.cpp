#include "gui/AppIcon.h"

// Resources compiled into a static library are only linked in when they are
// registered by name.
static void RegisterAppIcon() { Q_INIT_RESOURCE(AppIcon); }

namespace lirosa {

QIcon AppIcon() {
  static const bool registered = (RegisterAppIcon(), true);
  (void)registered;
  QIcon icon;
  for (int size : {48, 128, 256}) icon.addFile(QStringLiteral(":/lirosa/icons/%1.png").arg(size));
  return icon;
}

}  // namespace lirosa
