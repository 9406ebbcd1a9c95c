// The least a Qt window ticking like ours costs: a shown window with two
// 10 ms precise timers, as the window has, whose ticks do nothing.

#include <QApplication>
#include <QTimer>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window;
  window.resize(789, 488);
  window.show();
  for (int i = 0; i < 2; ++i) {
    auto* timer = new QTimer(&window);
    timer->setTimerType(Qt::PreciseTimer);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, &window, [] {});
    timer->start();
  }
  return app.exec();
}
