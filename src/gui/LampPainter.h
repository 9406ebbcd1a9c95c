#pragma once

#include <QImage>

#include "shell/LampModel.h"

namespace lirosa {

// Paints one lamp recipe into an image of the recipe's size: the
// background, each disc with a one-pixel black outline, then the white
// highlight arcs. Drawn without antialiasing, so every pixel is one of the
// recipe's colours.
QImage PaintLamp(const LampImage& recipe);

}  // namespace lirosa
