#include "win32/shell/ControlRecipe.h"

#include <windows.h>

#include <richedit.h>

#include <algorithm>

namespace lirosa {

int DialogUnits::X(int units) const { return MulDiv(units, baseX, 4); }
int DialogUnits::Y(int units) const { return MulDiv(units, baseY, 8); }

Rect DialogUnits::ToPixels(int x, int y, int width, int height) const {
  // Edges are converted, not sizes, so that neighbours meet as in the
  // template.
  const int left = X(x);
  const int top = Y(y);
  return {left, top, X(x + width) - left, Y(y + height) - top};
}

DialogUnits DialogUnitsOf(int extentOf52Letters, int charHeight) {
  return {(extentOf52Letters / 26 + 1) / 2, charHeight};
}

namespace {

unsigned long Common(const ControlTemplate& c) {
  unsigned long style = WS_CHILD;
  if (!(c.style & kStyleHidden)) style |= WS_VISIBLE;
  if (c.style & kStyleDisabled) style |= WS_DISABLED;
  return style;
}

unsigned long StaticAlignment(unsigned style) {
  unsigned long bits = SS_LEFT;
  if (style & kStyleRightAligned) bits = SS_RIGHT;
  if (style & kStyleCentered) bits = SS_CENTER;
  if (style & kStyleCenterImage) bits |= SS_CENTERIMAGE;
  return bits;
}

unsigned long EditBits(const ControlTemplate& c) {
  unsigned long bits = WS_TABSTOP | ES_AUTOHSCROLL;
  if (c.style & kStyleDigitsOnly) bits |= ES_NUMBER;
  if (c.style & kStyleReadOnly) bits |= ES_READONLY;
  if (c.style & kStyleRightAligned) bits |= ES_RIGHT;
  if (c.style & kStyleCentered) bits |= ES_CENTER;
  return bits;
}

}  // namespace

ControlRecipe RecipeFor(const ControlTemplate& c, const DialogUnits& units) {
  ControlRecipe recipe;
  recipe.style = Common(c);
  recipe.geometry = units.ToPixels(c.x, c.y, c.width, c.height);
  switch (c.kind) {
    case ControlKind::PushButton:
      recipe.className = L"BUTTON";
      recipe.style |= WS_TABSTOP |
                      ((c.style & kStyleDefaultButton) ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
      break;
    case ControlKind::OwnerDrawButton:
      recipe.className = L"BUTTON";
      recipe.style |= WS_TABSTOP | BS_OWNERDRAW;
      break;
    case ControlKind::CheckBox:
      recipe.className = L"BUTTON";
      recipe.style |= WS_TABSTOP | BS_AUTOCHECKBOX;
      break;
    case ControlKind::ThreeStateCheckBox:
      recipe.className = L"BUTTON";
      recipe.style |= WS_TABSTOP | BS_AUTO3STATE;
      break;
    case ControlKind::RadioButton:
      recipe.className = L"BUTTON";
      recipe.style |= BS_RADIOBUTTON;
      if (c.style & kStyleGroupStart) recipe.style |= WS_GROUP | WS_TABSTOP;
      break;
    case ControlKind::GroupBox:
      recipe.className = L"BUTTON";
      recipe.style |= BS_GROUPBOX;
      break;
    case ControlKind::EtchedFrame:
      recipe.className = L"STATIC";
      if (c.height <= 1) {
        recipe.style |= SS_ETCHEDHORZ;
      } else if (c.width <= 1) {
        recipe.style |= SS_ETCHEDVERT;
      } else {
        recipe.style |= SS_ETCHEDFRAME;
      }
      break;
    case ControlKind::Label:
      recipe.className = L"STATIC";
      recipe.style |= StaticAlignment(c.style) | SS_NOPREFIX;
      if (c.id != kNoId) recipe.style |= SS_NOTIFY;
      break;
    case ControlKind::Picture:
      recipe.className = L"STATIC";
      recipe.style |= SS_NOTIFY | SS_BITMAP | SS_CENTERIMAGE;
      break;
    case ControlKind::Edit:
      recipe.className = L"EDIT";
      recipe.exStyle = WS_EX_CLIENTEDGE;
      recipe.style |= EditBits(c);
      break;
    case ControlKind::MultiLineEdit:
      recipe.className = L"EDIT";
      recipe.exStyle = WS_EX_CLIENTEDGE;
      recipe.style |= WS_TABSTOP | ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL;
      if (c.style & kStyleVScroll) recipe.style |= WS_VSCROLL;
      if (c.style & kStyleReadOnly) recipe.style |= ES_READONLY;
      break;
    case ControlKind::RichEdit:
      recipe.className = kRichEditClass;
      recipe.exStyle = WS_EX_CLIENTEDGE;
      recipe.style |= WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | ES_NOHIDESEL;
      if (c.style & kStyleVScroll) recipe.style |= WS_VSCROLL;
      if (c.style & kStyleReadOnly) recipe.style |= ES_READONLY;
      break;
    case ControlKind::DropDownList:
      recipe.className = L"COMBOBOX";
      recipe.style |= WS_TABSTOP | WS_VSCROLL | CBS_AUTOHSCROLL |
                      ((c.style & kStyleEditableList) ? CBS_DROPDOWN : CBS_DROPDOWNLIST);
      recipe.geometry.height = units.Y(std::max(c.height, c.listHeight));
      break;
  }
  return recipe;
}

namespace {

bool IsFrame(const ControlTemplate& c) {
  return c.kind == ControlKind::GroupBox || c.kind == ControlKind::EtchedFrame;
}

bool Contains(const ControlTemplate& outer, const ControlTemplate& inner) {
  return inner.x >= outer.x && inner.y >= outer.y && inner.x + inner.width <= outer.x + outer.width &&
         inner.y + inner.height <= outer.y + outer.height;
}

bool OverlapsVertically(const ControlTemplate& a, const ControlTemplate& b) {
  return a.y < b.y + b.height && b.y < a.y + a.height;
}

// How far (in dialog units) a label may reach to one side.
int ReachLimit(const DialogTemplate& t, const ControlTemplate& label, bool leftwards) {
  constexpr int kFrameInset = 2;
  int limit = leftwards ? 0 : t.width;
  for (const ControlTemplate& c : t.controls) {
    if (&c == &label) continue;
    if (IsFrame(c) && Contains(c, label)) {
      limit = leftwards ? std::max(limit, c.x + kFrameInset)
                        : std::min(limit, c.x + c.width - kFrameInset);
      continue;
    }
    if (!OverlapsVertically(c, label)) continue;
    if (leftwards && c.x + c.width <= label.x) limit = std::max(limit, c.x + c.width + 1);
    if (!leftwards && c.x >= label.x + label.width) limit = std::min(limit, c.x - 1);
  }
  return limit;
}

}  // namespace

Rect LabelRoom(const DialogTemplate& t, const ControlTemplate& label, int textWidth, int textHeight,
               const DialogUnits& units) {
  Rect rect = units.ToPixels(label.x, label.y, label.width, label.height);
  rect.height = std::max(rect.height, textHeight);
  if (textWidth <= rect.width) return rect;
  const int right = rect.x + rect.width;
  if (label.style & kStyleRightAligned) {
    const int left = std::max(units.X(ReachLimit(t, label, true)), right - textWidth);
    rect.x = std::min(rect.x, left);
    rect.width = right - rect.x;
    return rect;
  }
  const int limit = units.X(ReachLimit(t, label, false));
  rect.width = std::max(rect.width, std::min(limit, rect.x + textWidth) - rect.x);
  return rect;
}

}  // namespace lirosa
