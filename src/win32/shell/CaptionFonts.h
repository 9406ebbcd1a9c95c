#pragma once

#include <windows.h>

#include <vector>

#include "resources/DialogTemplates.h"

namespace lirosa {

// Room for a caption in a control of `kind` that is `width` pixels wide:
// less the box of a check box or radio, the frame of a push button, the
// ends of a group box's line.
int CaptionRoom(ControlKind kind, int width);

// The dialog font and narrower or smaller copies of it, for captions that
// the templates' Russian and Chinese texts make wider than their controls:
// condensed first, since a narrow face at full height reads better than a
// small one. The fonts live as long as this object.
class CaptionFonts {
 public:
  explicit CaptionFonts(HFONT base);
  ~CaptionFonts();
  CaptionFonts(const CaptionFonts&) = delete;
  CaptionFonts& operator=(const CaptionFonts&) = delete;

  // Gives a captioned control the first font its caption fits in (the
  // smallest when none does); other controls keep theirs.
  void Fit(HWND control, ControlKind kind);

 private:
  HFONT base_;
  std::vector<HFONT> steps_;
};

}  // namespace lirosa
