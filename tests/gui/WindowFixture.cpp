#include "WindowFixture.h"

#include <QApplication>
#include <QKeyEvent>

namespace lirosa::test {

WindowFixture::WindowFixture()
    : controls(window.Controls()), view(window.TrafficDisplay()), host(window) {
  logic = std::make_unique<MonitorDialog>(Platform{controls, prompts, view, port, clock, host,
                                                   [this] { return foundPorts; },
                                                   settings.path().string(), nullptr,
                                                   (settings.path() / "sys").string()});
  window.Attach(logic.get());
}

WindowFixture::~WindowFixture() { window.Attach(nullptr); }

void WindowFixture::Start() { logic->InitDialog(); }

void WindowFixture::Press(QWidget& target, int key, const QString& text) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(&target, &press);
}

}  // namespace lirosa::test
