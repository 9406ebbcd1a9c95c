#pragma once

#include <windows.h>

#include "shell/LampModel.h"

namespace lirosa {

// Draws `image` into a memory DC and puts it on `target` at (x, y) with one
// BitBlt, so a lamp never shows half drawn. Drawing objects live only for
// this call.
void PaintLampImage(HDC target, int x, int y, const LampImage& image);

}  // namespace lirosa
