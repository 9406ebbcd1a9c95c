#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <memory>

#include "app/MonitorDialog.h"
#include "gui/MonitorWindow.h"
#include "gui/QtDialogControls.h"
#include "gui/QtTrafficView.h"
#include "gui/QtWindowHost.h"
#include "support/Fakes.h"
#include "support/TempDir.h"

class QKeyEvent;

namespace lirosa::test {

// The real main window and its Qt adapters, with the window logic on a fake
// port, a fake clock and recorded prompts; settings in a fresh folder.
class WindowFixture : public ::testing::Test {
 protected:
  WindowFixture();
  ~WindowFixture() override;

  // The window's start-up: fills the port list, restores the (absent)
  // settings and opens the fake port.
  void Start();

  template <typename Widget>
  Widget* Find(int id) const {
    return qobject_cast<Widget*>(window.Control(id));
  }

  // A key pressed in `target`, passed on to its parents while ignored, as
  // the application delivers keys.
  static void Press(QWidget& target, int key, const QString& text = {});

  TempDir settings;
  MonitorWindow window;
  QtDialogControls controls;
  QtTrafficView view;
  QtWindowHost host;
  FakePrompts prompts;
  FakeSerialPort port;
  FakeClock clock;
  // The devices the port list offers after COM1 ... COM20.
  std::vector<ListEntry> foundPorts;
  std::unique_ptr<MonitorDialog> logic;
};

}  // namespace lirosa::test
