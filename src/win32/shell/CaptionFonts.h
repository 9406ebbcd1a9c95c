#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <utility>

#include "resources/DialogTemplates.h"

namespace lirosa {

// Room for a caption in a control of `kind` that is `width` pixels wide:
// less the box of a check box or radio, the frame of a push button, the
// ends of a group box's line.
int CaptionRoom(ControlKind kind, int width);

// How a control lays out its caption: a label breaks it into lines at
// blanks (unless it centres one line), a group box puts one line on its
// frame, where the height does not matter, other controls show one line.
enum class CaptionLayout { Wrapped, OneLine, OnFrame };
CaptionLayout CaptionLayoutOf(ControlKind kind, bool singleLineLabel);

// Whether `caption`, drawn in the font selected into `dc`, fits a caption
// area of room x height pixels laid out as `layout`.
bool CaptionFitsIn(HDC dc, const std::wstring& caption, CaptionLayout layout, int room,
                   int height);

// The dialog font and narrower or smaller copies of it, for captions that
// the templates' Russian and Chinese texts make wider, or the dialog font
// makes taller, than their controls. The copies step down as the Linux
// shell's do: condensed first at each size (a narrow face at full height
// reads better than a small one), then a pixel smaller, never below
// kSmallestPixels; the narrowest step comes last. The fonts are made when first needed and live as long
// as this object.
class CaptionFonts {
 public:
  static constexpr int kSmallestPixels = 9;

  explicit CaptionFonts(HFONT base);
  ~CaptionFonts();
  CaptionFonts(const CaptionFonts&) = delete;
  CaptionFonts& operator=(const CaptionFonts&) = delete;

  // Gives a captioned control the first font its caption fits in (the
  // smallest when none does); other controls keep theirs.
  void Fit(HWND control, ControlKind kind);

  // The font `caption` fits room x height pixels in, measured on `dc`:
  // the dialog font itself when it fits.
  HFONT FontFor(HDC dc, const std::wstring& caption, CaptionLayout layout, int room, int height);

 private:
  // The dialog font's face at `pixels` high, `width` its average character
  // width (0: the face's own).
  HFONT Font(int pixels, int width);
  // The widest copy `pixels` high that shows `caption` at `narrowest` to
  // `widest` percent of its own width; none when no whole character width
  // falls in between.
  HFONT Step(HDC dc, const std::wstring& caption, int pixels, int widest, int narrowest);

  HFONT base_;
  LOGFONTW description_{};
  int basePixels_ = 12;
  std::map<std::pair<int, int>, HFONT> fonts_;
};

}  // namespace lirosa
