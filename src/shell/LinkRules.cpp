#include "shell/LinkRules.h"

#include <cerrno>

#include "app/ControlIds.h"

namespace lirosa {

namespace {

const char* Reason(int code) {
  switch (code) {
    case 0: return "The operating system is out\nof memory or resources.";
    case 2: return "The specified file was not found.";
    case 3: return "The specified path was not found.";
    case 5: return "The operating system denied\naccess to the specified file.";
    case 8: return "There was not enough memory to complete the operation.";
    case 11: return "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).";
    case 26: return "A sharing violation occurred. ";
    case 27: return "The filename association is\nincomplete or invalid.";
    case 28: return "The DDE transaction could not\nbe completed because the request timed out.";
    case 29: return "The DDE transaction failed.";
    case 30:
      return "The DDE transaction could not\nbe completed because other DDE transactions\n"
             "were being processed.";
    case 31: return "There is no application associated\nwith the given filename extension.";
    case 32: return "The specified dynamic-link library was not found.";
    default: return nullptr;
  }
}

}  // namespace

std::string LinkErrorMessage(int code) {
  std::string text = "Unable to open hyperlink:\n\n";
  if (const char* reason = Reason(code)) return text + reason;
  return text + "Unknown Error (" + std::to_string(code) + ") occurred.";
}

int LinkCodeForErrno(int error) {
  switch (error) {
    case 0: return kLinkOpened;
    case ENOENT: return kLinkNoHandler;  // the opener itself is not installed
    case ENOTDIR:
    case ELOOP:
    case ENAMETOOLONG: return kLinkPathNotFound;
    case EACCES:
    case EPERM: return kLinkAccessDenied;
    case ENOMEM: return kLinkOutOfMemory;
    case ENOEXEC:
    case ELIBBAD: return kLinkBadProgram;
    case ETXTBSY: return kLinkBusy;
    case EAGAIN:
    case EMFILE:
    case ENFILE: return kLinkOutOfResources;
    default: return kLinkHandlerFailed;
  }
}

int LinkCodeForOpenerExit(int status) {
  switch (status) {
    case 0: return kLinkOpened;
    case 2: return kLinkFileNotFound;
    case 3: return kLinkNoHandler;
    default: return kLinkHandlerFailed;
  }
}

Rect FitToText(Rect control, int textWidth, int textHeight, StaticStyle style) {
  int left = control.x;
  int top = control.y;
  int right = control.x + control.width;
  int bottom = control.y + control.height;
  if (style.centreVertically) {
    const int spare = (control.height - textHeight) / 2;
    top += spare;
    bottom -= spare;
  } else {
    bottom = top + textHeight;
  }
  switch (style.align) {
    case TextAlign::Centre: {
      const int spare = (control.width - textWidth) / 2;
      left += spare;
      right -= spare;
      break;
    }
    case TextAlign::Right: left = right - textWidth; break;
    case TextAlign::Left: right = left + textWidth; break;
  }
  return {left, top, right - left, bottom - top};
}

Colour HoverLinkColour(bool over, bool visited) {
  if (over) return kHoverLinkHoverColour;
  if (visited) return kHoverLinkVisitedColour;
  return kHoverLinkColour;
}

Colour StaticLinkColour(bool visited) {
  return visited ? kStaticLinkVisitedColour : kStaticLinkColour;
}

std::string PictureLinkAddress(int id) {
  switch (id) {
    case kIdLink1101: return kFirstLinkAddress;
    case kIdLink1100:
    case kIdLink1103: return kSecondLinkAddress;
    case kIdLink1102: return kThirdLinkAddress;
    default: return {};
  }
}

}  // namespace lirosa
