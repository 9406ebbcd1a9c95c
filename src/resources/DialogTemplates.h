#pragma once

#include <string>
#include <vector>

namespace lirosa {

inline constexpr int kNoId = -1;  // unnumbered labels and frames

enum class ControlKind {
  PushButton,
  OwnerDrawButton,
  CheckBox,
  ThreeStateCheckBox,
  RadioButton,
  GroupBox,     // frame with or without a caption
  EtchedFrame,  // plain etched rectangle or rule
  Label,
  Edit,           // single-line edit
  MultiLineEdit,  // Enter makes a new line
  RichEdit,       // the traffic display
  DropDownList,
  Picture,  // bitmap static
};

// Style bits of a control, as far as the window logic and the look need them.
enum ControlStyle : unsigned {
  kStyleNone = 0,
  kStyleDigitsOnly = 1u << 0,
  kStyleReadOnly = 1u << 1,
  kStyleGroupStart = 1u << 2,  // first radio of a group
  kStyleHidden = 1u << 3,
  kStyleRightAligned = 1u << 4,
  kStyleCentered = 1u << 5,
  kStyleCenterImage = 1u << 6,  // vertically centred static
  kStyleDisabled = 1u << 7,
  kStyleVScroll = 1u << 8,
  kStyleEditableList = 1u << 9,  // a drop-down whose text can also be typed
  kStyleDefaultButton = 1u << 10,
};

// One control of a dialog template; geometry in dialog units.
struct ControlTemplate {
  int id = kNoId;
  ControlKind kind = ControlKind::Label;
  std::string text;  // template caption, UTF-8
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  unsigned style = kStyleNone;
  std::vector<std::string> entries;  // drop-down lists: entries, index 0 first
  int listHeight = 0;                // drop-down lists: height of the open list
};

struct DialogTemplate {
  int id = 0;
  std::string caption;
  int width = 0;  // client area, dialog units
  int height = 0;
  std::vector<ControlTemplate> controls;  // in template (tab) order

  // The control with this id, or nullptr.
  const ControlTemplate* Find(int controlId) const;
};

// 1 dialog unit = 1.5 pixels on both axes at the 9-point dialog font.
inline constexpr double kPixelsPerDialogUnit = 1.5;

const DialogTemplate& MainDialogTemplate();      // 102
const DialogTemplate& ChecksumDialogTemplate();  // 129
const DialogTemplate& AboutDialogTemplate();     // 100

}  // namespace lirosa
