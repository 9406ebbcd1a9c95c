#include "ModalAnswer.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <memory>

namespace lirosa::test {

void AnswerNextModal(std::function<void(QWidget& modal)> answer, int deadlineMs) {
  auto* poll = new QTimer(qApp);
  auto clock = std::make_shared<QElapsedTimer>();
  auto answered = std::make_shared<bool>(false);
  clock->start();
  poll->setInterval(5);
  QObject::connect(poll, &QTimer::timeout, poll, [=] {
    if (!*answered) {
      if (QWidget* modal = QApplication::activeModalWidget()) {
        *answered = true;
        answer(*modal);
      }
    }
    const bool done = *answered && !QApplication::activeModalWidget();
    const bool late = clock->elapsed() >= deadlineMs;
    if (!done && !late) return;
    if (late) {
      if (auto* left = qobject_cast<QDialog*>(QApplication::activeModalWidget())) left->reject();
    }
    poll->stop();
    poll->deleteLater();
  });
  poll->start();
}

}  // namespace lirosa::test
