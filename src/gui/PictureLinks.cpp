#include "gui/PictureLinks.h"

#include <QLabel>
#include <QPixmap>

#include "app/ControlIds.h"
#include "gui/StaticLink.h"
#include "shell/LinkRules.h"

// The resources are compiled into a static library: nothing would pull
// them into the program unless registered by name.
static void RegisterPictures() { Q_INIT_RESOURCE(ShellPictures); }

namespace lirosa {

QPixmap LinkPicture() {
  static const bool registered = (RegisterPictures(), true);
  (void)registered;
  return QPixmap(QStringLiteral(":/lirosa/picture148.png"));
}

void BindPictureLinks(const ControlMap& controls, const LinkServices& services) {
  for (int id : {kIdLink1100, kIdLink1101, kIdLink1102, kIdLink1103}) {
    auto* picture = qobject_cast<QLabel*>(controls.value(id, nullptr));
    if (!picture) continue;
    if (id == kIdLink1102) {
      // The picture is larger than its 70 x 45 place: shown whole, scaled
      // down, rather than as a cut-off corner.
      picture->setAlignment(Qt::AlignCenter);
      picture->setPixmap(
          LinkPicture().scaled(picture->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    }
    new StaticLink(*picture, StaticLink::Kind::Picture, services,
                   QString::fromUtf8(PictureLinkAddress(id)));
  }
}

}  // namespace lirosa
