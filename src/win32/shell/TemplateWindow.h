#pragma once

#include <windows.h>

#include "resources/DialogTemplates.h"
#include "win32/shell/CaptionFonts.h"
#include "win32/shell/ControlRecipe.h"
#include "win32/shell/Win32Controls.h"

namespace lirosa {

// The dialog font: Tahoma at 9 points (12 px at the standard 96 dpi), the
// face "MS Shell Dlg" stands for on every Windows and the one Wine ships,
// so captions measure alike on both; the system's message font (Segoe UI
// on newer Windows, which Wine lacks and replaces by a wider face) would
// not. Chinese comes from the system's linked fonts. Owned by the caller.
HFONT CreateDialogFont();

// The window size whose client area is the template's.
SIZE WindowSizeFor(const DialogTemplate& dialogTemplate, const DialogUnits& units,
                   DWORD style, DWORD exStyle);

// The answer to WM_CTLCOLORSTATIC and WM_CTLCOLORBTN in a window built
// from a template: labels, frames, buttons and read-only edits on the
// dialog face colour, as the platform's dialogs draw them.
LRESULT DialogFaceColour(HDC dc);

// Creates every control of `dialogTemplate` as a child of `parent`, in
// template (tab) order, each with `font`; frames are put under the controls
// they surround; `fonts`, when given, fits each caption. Returns the
// numbered ones.
ControlWindows BuildControls(const DialogTemplate& dialogTemplate, HWND parent, HFONT font,
                             const DialogUnits& units, CaptionFonts* fonts = nullptr);

}  // namespace lirosa
