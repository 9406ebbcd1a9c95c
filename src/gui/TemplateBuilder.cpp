#include "gui/TemplateBuilder.h"

#include <QCheckBox>
#include <QComboBox>

#include "gui/WideListBox.h"
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextOption>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QWidget>
#include <algorithm>
#include <cmath>

#include "gui/CaptionFit.h"
#include "gui/CounterEdit.h"
#include "gui/ManualRadioButton.h"
#include "gui/StayOnTopButton.h"
#include "gui/TrafficWidget.h"
#include "gui/TriStateCheckBox.h"

namespace lirosa {

namespace {

bool IsFrame(const ControlTemplate& c) {
  return c.kind == ControlKind::GroupBox || c.kind == ControlKind::EtchedFrame;
}

bool Contains(const ControlTemplate& outer, const ControlTemplate& inner) {
  return inner.x >= outer.x && inner.y >= outer.y &&
         inner.x + inner.width <= outer.x + outer.width &&
         inner.y + inner.height <= outer.y + outer.height;
}

bool OverlapsVertically(const ControlTemplate& a, const ControlTemplate& b) {
  return a.y < b.y + b.height && b.y < a.y + a.height;
}

// How far (in dialog units) a label may reach to one side: up to the
// nearest control on its row, or the inner edge of the frame around it.
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

// The template's unnumbered labels were sized for short captions; one whose
// text is wider than its box grows away from its alignment into the free
// space beside it, and tall enough for a line of the dialog font. Numbered
// controls keep their geometry: the layout and the window logic own it.
QRect RoomForLabel(const DialogTemplate& t, const ControlTemplate& label, const QFont& font,
                   QRect rect) {
  rect.setHeight(std::max(rect.height(), QFontMetrics(font).height()));
  const int needed = CaptionWidth(font, QString::fromStdString(label.text));
  if (needed <= rect.width()) return rect;
  if (label.style & kStyleRightAligned) {
    const int left = TemplateBuilder::ToPixels(ReachLimit(t, label, true));
    rect.setLeft(std::max(left, rect.right() + 1 - needed));
    return rect;
  }
  const int right = TemplateBuilder::ToPixels(ReachLimit(t, label, false));
  rect.setRight(std::min(right, rect.left() + needed) - 1);
  return rect;
}

Qt::Alignment LabelAlignment(unsigned style) {
  Qt::Alignment horizontal = Qt::AlignLeft;
  if (style & kStyleRightAligned) horizontal = Qt::AlignRight;
  if (style & kStyleCentered) horizontal = Qt::AlignHCenter;
  return horizontal | ((style & kStyleCenterImage) ? Qt::AlignVCenter : Qt::AlignTop);
}

// Rows of the open list that fit its template height.
int VisibleRows(const ControlTemplate& control) {
  constexpr int kRowPixels = 18;
  const int listPixels = TemplateBuilder::ToPixels(control.listHeight - control.height);
  return std::max(1, listPixels / kRowPixels);
}

QWidget* MakeEdit(const ControlTemplate& control, QWidget& dialog) {
  // A read-only digits edit shows a count the program rewrites.
  const bool counter = (control.style & kStyleDigitsOnly) && (control.style & kStyleReadOnly);
  auto* edit = counter ? new CounterEdit(&dialog) : new QLineEdit(&dialog);
  edit->setReadOnly(control.style & kStyleReadOnly);
  // Nobody types into a read-only edit, and a validator would check every
  // text the program sets (the counters, many times a second).
  if ((control.style & kStyleDigitsOnly) && !(control.style & kStyleReadOnly)) {
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), edit));
  }
  return edit;
}

QWidget* MakeList(const ControlTemplate& control, QWidget& dialog) {
  auto* list = new WideListBox(&dialog);
  if (control.style & kStyleEditableList) {
    list->setEditable(true);
    list->setInsertPolicy(QComboBox::NoInsert);
    // Inline completion would turn a typed /dev/pts/1 into a listed
    // /dev/pts/10.
    list->setCompleter(nullptr);
  }
  list->setMaxVisibleItems(VisibleRows(control));
  for (const std::string& entry : control.entries) list->addItem(QString::fromStdString(entry));
  // Like the platform list, nothing is selected until the logic says so.
  list->setCurrentIndex(-1);
  return list;
}

QWidget* MakeTrafficDisplay(const ControlTemplate& control, QWidget& dialog) {
  auto* display = new TrafficWidget(&dialog);
  display->setVerticalScrollBarPolicy((control.style & kStyleVScroll) ? Qt::ScrollBarAsNeeded
                                                                      : Qt::ScrollBarAlwaysOff);
  return display;
}

QWidget* MakeTextBox(const ControlTemplate& control, QWidget& dialog) {
  auto* box = new QPlainTextEdit(&dialog);
  box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  box->setVerticalScrollBarPolicy((control.style & kStyleVScroll) ? Qt::ScrollBarAsNeeded
                                                                  : Qt::ScrollBarAlwaysOff);
  // In a request box Tab moves on, as in any dialog; Enter makes a line.
  box->setTabChangesFocus(true);
  // Breaking only at word boundaries lays out a long run without blanks in
  // quadratic time (a pasted megabyte of digits froze the window for a
  // minute); breaking anywhere keeps it linear.
  box->setWordWrapMode(QTextOption::WrapAnywhere);
  box->setReadOnly(control.style & kStyleReadOnly);
  return box;
}

QFrame* MakeFrame(const ControlTemplate& control, QWidget& dialog) {
  auto* frame = new QFrame(&dialog);
  if (control.height <= 1) {
    frame->setFrameShape(QFrame::HLine);
  } else if (control.width <= 1) {
    frame->setFrameShape(QFrame::VLine);
  } else {
    frame->setFrameShape(QFrame::Box);
  }
  frame->setFrameShadow(QFrame::Sunken);
  return frame;
}

}  // namespace

int TemplateBuilder::ToPixels(int dialogUnits) {
  return static_cast<int>(std::lround(dialogUnits * kPixelsPerDialogUnit));
}

QRect TemplateBuilder::ToPixels(const ControlTemplate& control) {
  return {ToPixels(control.x), ToPixels(control.y), ToPixels(control.width),
          ToPixels(control.height)};
}

QString TemplateBuilder::ObjectName(int id) { return QStringLiteral("id%1").arg(id); }

QWidget* TemplateBuilder::Create(const ControlTemplate& control, QWidget& dialog) const {
  const QString text = QString::fromStdString(control.text);
  switch (control.kind) {
    case ControlKind::PushButton: {
      auto* button = new QPushButton(text, &dialog);
      button->setAutoDefault(options_.autoDefaultButtons);
      button->setDefault(control.style & kStyleDefaultButton);
      return button;
    }
    case ControlKind::OwnerDrawButton:
      return new StayOnTopButton(&dialog);
    case ControlKind::CheckBox:
      return new QCheckBox(text, &dialog);
    case ControlKind::ThreeStateCheckBox:
      return new TriStateCheckBox(text, &dialog);
    case ControlKind::RadioButton:
      if (options_.manualRadios) return new ManualRadioButton(text, &dialog);
      return new QRadioButton(text, &dialog);
    case ControlKind::GroupBox:
      return new QGroupBox(text, &dialog);
    case ControlKind::EtchedFrame:
      return MakeFrame(control, dialog);
    case ControlKind::Label: {
      auto* label = new QLabel(text, &dialog);
      label->setTextFormat(Qt::PlainText);
      label->setAlignment(LabelAlignment(control.style));
      return label;
    }
    case ControlKind::Picture: {
      auto* picture = new QLabel(&dialog);
      picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      return picture;
    }
    case ControlKind::Edit:
      return MakeEdit(control, dialog);
    case ControlKind::MultiLineEdit:
      return MakeTextBox(control, dialog);
    case ControlKind::RichEdit:
      return MakeTrafficDisplay(control, dialog);
    case ControlKind::DropDownList:
      return MakeList(control, dialog);
  }
  return nullptr;
}

ControlMap TemplateBuilder::Build(const DialogTemplate& dialogTemplate, QWidget& dialog) const {
  ControlMap map;
  dialog.setWindowTitle(QString::fromStdString(dialogTemplate.caption));
  dialog.resize(ToPixels(dialogTemplate.width), ToPixels(dialogTemplate.height));
  std::vector<QWidget*> frames;
  for (const ControlTemplate& control : dialogTemplate.controls) {
    QWidget* widget = Create(control, dialog);
    QRect rect = ToPixels(control);
    if (control.id == kNoId && control.kind == ControlKind::Label) {
      rect = RoomForLabel(dialogTemplate, control, dialog.font(), rect);
    }
    widget->setGeometry(rect);
    if (control.id != kNoId) {
      widget->setObjectName(ObjectName(control.id));
      widget->setProperty(kIdProperty, control.id);
      map.insert(control.id, widget);
    }
    if (control.style & kStyleHidden) widget->setHidden(true);
    if (control.style & kStyleDisabled) widget->setEnabled(false);
    if (IsFrame(control)) {
      // Frames only draw; clicks inside them belong to the controls.
      widget->setAttribute(Qt::WA_TransparentForMouseEvents);
      frames.push_back(widget);
    }
    FitCaption(*widget);
  }
  // Frames lie under the controls they surround, whatever the template order.
  for (auto it = frames.rbegin(); it != frames.rend(); ++it) (*it)->lower();
  return map;
}

}  // namespace lirosa
