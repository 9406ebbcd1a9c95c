#pragma once

#include <string>

#include "app/DialogControls.h"
#include "resources/DialogTemplates.h"

namespace lirosa {

// Dialog units as the platform defines them: a horizontal unit is a quarter
// of the dialog font's average character width, a vertical unit an eighth
// of its height. The templates are drawn for a font of 6 x 12 base units
// (1.5 px per unit both ways), the size the window logic's pixel layout
// assumes.
struct DialogUnits {
  int baseX = 6;
  int baseY = 12;

  int X(int units) const;
  int Y(int units) const;
  Rect ToPixels(int x, int y, int width, int height) const;
};

// Base units of a font from its text metrics, as the platform measures
// them: the average width of "A".."Z" and "a".."z" (the extent of all 52
// over 52, rounded), and the character height.
DialogUnits DialogUnitsOf(int extentOf52Letters, int charHeight);

// How one template control is made with CreateWindowExW: its window class,
// styles, and rectangle in client pixels.
struct ControlRecipe {
  std::wstring className;
  unsigned long style = 0;
  unsigned long exStyle = 0;
  Rect geometry;
};

// The rich edit class of the traffic display (Msftedit.dll).
inline constexpr const wchar_t* kRichEditClass = L"RICHEDIT50W";

// Radio buttons are checked by the window logic, which clears their
// partners itself: they are never the platform's automatic radios. A
// closed drop-down list is as high as its open list, as the platform's
// combo box wants. Numbered statics report clicks (the links).
ControlRecipe RecipeFor(const ControlTemplate& control, const DialogUnits& units);

// The template's unnumbered labels were sized for short captions. One whose
// text (textWidth x textHeight pixels in the dialog font) is wider than its
// box grows away from its alignment into the free space beside it: up to
// the nearest control on its row or the inner edge of the frame around it;
// and it is at least one line of the font high. Numbered controls keep
// their geometry: the layout and the window logic own it.
Rect LabelRoom(const DialogTemplate& dialogTemplate, const ControlTemplate& label, int textWidth,
               int textHeight, const DialogUnits& units);

}  // namespace lirosa
