#pragma once

#include <QHash>
#include <QRect>
#include <QString>

#include "resources/DialogTemplates.h"

class QWidget;

namespace lirosa {

// The widgets of one built template, by control id (unnumbered labels and
// frames are not in it).
using ControlMap = QHash<int, QWidget*>;

// Makes the widgets of a dialog template: one widget per control, each a
// direct child of the dialog (as on the original platform, frames do not
// own the controls drawn inside them), placed at 1.5 px per dialog unit.
// Numbered widgets are named "id<N>" and carry the property "controlId".
class TemplateBuilder {
 public:
  struct Options {
    // Radios whose partners the window logic clears (ManualRadioButton)
    // rather than Qt's automatic exclusive group.
    bool manualRadios = false;
    // Push buttons become the default while focused, so that Enter clicks
    // the focused button (small dialogs). The main window has no default
    // button at all: Enter there belongs to the window logic.
    bool autoDefaultButtons = true;
  };

  TemplateBuilder() = default;
  explicit TemplateBuilder(Options options) : options_(options) {}

  // Creates every control of `dialogTemplate` in `dialog`, titles it and
  // sizes it to the template's client area.
  ControlMap Build(const DialogTemplate& dialogTemplate, QWidget& dialog) const;

  static int ToPixels(int dialogUnits);
  static QRect ToPixels(const ControlTemplate& control);
  static QString ObjectName(int id);
  static constexpr const char* kIdProperty = "controlId";

 private:
  QWidget* Create(const ControlTemplate& control, QWidget& dialog) const;

  Options options_;
};

}  // namespace lirosa
