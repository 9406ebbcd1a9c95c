#include "gui/AboutDialog.h"

#include <QAbstractButton>
#include <QLabel>

#include "app/ControlIds.h"
#include "gui/HoverLink.h"
#include "gui/LinkOpener.h"
#include "shell/LinkRules.h"

namespace lirosa {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
  controls_ = TemplateBuilder().Build(AboutDialogTemplate(), *this);
  setFixedSize(size());
  if (auto* ok = qobject_cast<QAbstractButton*>(Control(kIdOk))) {
    connect(ok, &QAbstractButton::clicked, this, &QDialog::accept);
    ok->setFocus();
  }
  if (auto* link = qobject_cast<QLabel*>(Control(kIdAboutLink))) {
    new HoverLink(*link, DesktopLinkServices(this), QString::fromUtf8(kAboutLinkAddress));
  }
}

}  // namespace lirosa
