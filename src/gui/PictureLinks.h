#pragma once

#include <QPixmap>

#include "gui/LinkOpener.h"
#include "gui/TemplateBuilder.h"

namespace lirosa {

// Makes the four pictures of the main window's request area (1100 to 1103)
// links to their addresses, and shows the one picture there is on 1102.
// The others show nothing but still take clicks.
void BindPictureLinks(const ControlMap& controls, const LinkServices& services);

// The picture shown on 1102: 240 x 128 pixels.
QPixmap LinkPicture();

}  // namespace lirosa
