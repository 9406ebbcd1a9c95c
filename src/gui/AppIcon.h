#pragma once

#include <QIcon>

namespace lirosa {

// The application's icon, drawn at the sizes a desktop asks for: a teal
// tile with a serial connector and a lit lamp.
QIcon AppIcon();

}  // namespace lirosa
