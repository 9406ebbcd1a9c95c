#pragma once

#include <string>

#include "app/DialogControls.h"
#include "display/TrafficView.h"

namespace lirosa {

// Rules shared by the two kinds of link control: the hover link of the
// about box and the plain links on the main window's pictures.

// Result codes of an attempt to open an address. Codes above 32 mean the
// address was opened; the others name a reason of LinkErrorMessage.
inline constexpr int kLinkOpened = 42;
inline constexpr int kLinkOutOfResources = 0;
inline constexpr int kLinkFileNotFound = 2;
inline constexpr int kLinkPathNotFound = 3;
inline constexpr int kLinkAccessDenied = 5;
inline constexpr int kLinkOutOfMemory = 8;
inline constexpr int kLinkBadProgram = 11;
inline constexpr int kLinkBusy = 26;
inline constexpr int kLinkNoHandler = 31;
// No reason fits: the handler ran and said the action failed (xdg-open's
// own status 4); shown as an unknown error with this number.
inline constexpr int kLinkHandlerFailed = 4;

inline bool LinkOpened(int code) { return code > 32; }

// "Unable to open hyperlink:\n\n" and the reason for `code`; a code without
// a reason of its own gives "Unknown Error (<code>) occurred.".
std::string LinkErrorMessage(int code);

// The code for an errno met while starting the desktop's opener.
int LinkCodeForErrno(int error);
// The code for the exit status of the desktop's opener (xdg-open): 0 opened,
// 2 no such file, 3 no program that handles the address, else failed.
int LinkCodeForOpenerExit(int status);

// How a text static places its text, as far as shrinking it to the text
// cares.
enum class TextAlign { Left, Centre, Right };
struct StaticStyle {
  TextAlign align = TextAlign::Left;
  bool centreVertically = false;
};

// The control's rectangle shrunk to a text of textWidth x textHeight:
// vertically centred (both sides lose half the spare height, truncated) or
// cut to the text height below the top; horizontally centred, kept against
// the right edge, or kept against the left edge.
Rect FitToText(Rect control, int textWidth, int textHeight, StaticStyle style);

// The about box's link: blue, green while the pointer is over it, red once
// opened.
inline constexpr Colour kHoverLinkColour{0, 0, 255};
inline constexpr Colour kHoverLinkHoverColour{0, 255, 0};
inline constexpr Colour kHoverLinkVisitedColour{255, 0, 0};
Colour HoverLinkColour(bool over, bool visited);

// The main window's plain links: blue, purple once opened.
inline constexpr Colour kStaticLinkColour{0, 0, 255};
inline constexpr Colour kStaticLinkVisitedColour{128, 0, 128};
Colour StaticLinkColour(bool visited);

// Placeholder addresses of the picture links and of the about box.
inline constexpr const char* kFirstLinkAddress = "https://lirosa.example.com/";
inline constexpr const char* kSecondLinkAddress = "https://lirosa.example.com/devices/";
inline constexpr const char* kThirdLinkAddress = "https://lirosa.example.com/support/";
// Also the text of the about box's link control.
inline constexpr const char* kAboutLinkAddress = "https://lirosa.example.com/";

// The address opened by a picture link, empty for any other control.
std::string PictureLinkAddress(int id);

}  // namespace lirosa
