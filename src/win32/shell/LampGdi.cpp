#include "win32/shell/LampGdi.h"

namespace lirosa {

namespace {

COLORREF Ref(Colour colour) { return RGB(colour.red, colour.green, colour.blue); }

}  // namespace

void PaintLampImage(HDC target, int x, int y, const LampImage& image) {
  HDC memory = CreateCompatibleDC(target);
  HBITMAP bitmap = CreateCompatibleBitmap(target, image.width, image.height);
  if (!memory || !bitmap) {
    if (bitmap) DeleteObject(bitmap);
    if (memory) DeleteDC(memory);
    return;
  }
  HGDIOBJ oldBitmap = SelectObject(memory, bitmap);

  HBRUSH background = CreateSolidBrush(Ref(kLampBackground));
  RECT all{0, 0, image.width, image.height};
  FillRect(memory, &all, background);
  DeleteObject(background);

  // Ellipse and Arc leave out the right and bottom edges of their box, as
  // the recipes' boxes do.
  HPEN outline = CreatePen(PS_SOLID, 1, Ref(kLampOutline));
  HGDIOBJ oldPen = SelectObject(memory, outline);
  for (const LampDisc& disc : image.discs) {
    HBRUSH fill = CreateSolidBrush(Ref(disc.fill));
    HGDIOBJ oldBrush = SelectObject(memory, fill);
    Ellipse(memory, disc.box.left, disc.box.top, disc.box.right, disc.box.bottom);
    SelectObject(memory, oldBrush);
    DeleteObject(fill);
  }
  HPEN highlight = CreatePen(PS_SOLID, 1, Ref(kLampHighlight));
  SelectObject(memory, highlight);
  SetArcDirection(memory, AD_COUNTERCLOCKWISE);
  for (const LampArc& arc : image.highlights) {
    Arc(memory, arc.box.left, arc.box.top, arc.box.right, arc.box.bottom, arc.from.x, arc.from.y,
        arc.to.x, arc.to.y);
  }
  SelectObject(memory, oldPen);
  DeleteObject(highlight);
  DeleteObject(outline);

  BitBlt(target, x, y, image.width, image.height, memory, 0, 0, SRCCOPY);
  SelectObject(memory, oldBitmap);
  DeleteObject(bitmap);
  DeleteDC(memory);
}

}  // namespace lirosa
