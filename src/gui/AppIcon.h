#pragma once

#include <QIcon>

namespace lirosa {

// The application's icon, the same images the desktop entry installs: a
// teal tile with a serial connector and two lamps.
QIcon AppIcon();

}  // namespace lirosa
