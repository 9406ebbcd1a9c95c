#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>
#include <algorithm>
#include <cstdint>
#include <string>

#include "app/ControlIds.h"
#include "e2e/E2eSupport.h"
#include "e2e/LiveWindow.h"

namespace lirosa::test {
namespace {

using namespace std::chrono_literals;

int VisibleMessageBoxes() {
  int boxes = 0;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (qobject_cast<QMessageBox*>(widget) && widget->isVisible()) ++boxes;
  }
  return boxes;
}

// A box that a tick raises opens once the tick has returned, so the
// window's timer keeps firing under it: frames that arrive while it is open
// are received and end one by one, and the box is not opened a second time.
TEST(BoxUnderTicksE2eTest, FramesKeepEndingWhileATickRaisedBoxIsOpen) {
  PtyMaster device;
  LiveWindow window;
  window.Start(device.slavePath());
  ASSERT_TRUE(window.Logic().portOpen);

  // Inside the box's own event loop: one frame, then another once the first
  // has ended, then OK once that one has ended too.
  enum class Step { WaitingForBox, FirstFrame, SecondFrame, Closed };
  Step step = Step::WaitingForBox;
  std::string boxText;
  int mostBoxes = 0;
  std::int64_t framesBefore = 0;
  QElapsedTimer sinceBox;
  QTimer driver;
  driver.setInterval(5);
  QObject::connect(&driver, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || step == Step::Closed) return;
    mostBoxes = std::max(mostBoxes, VisibleMessageBoxes());
    const std::int64_t frames = window.Logic().counters.receivedFrames - framesBefore;
    switch (step) {
      case Step::WaitingForBox:
        boxText = box->text().toStdString();
        framesBefore = window.Logic().counters.receivedFrames;
        sinceBox.start();
        device.Write({0xAA});
        step = Step::FirstFrame;
        return;
      case Step::FirstFrame:
        if (frames == 1) {
          device.Write({0xBB, 0xCC});
          step = Step::SecondFrame;
        }
        break;
      case Step::SecondFrame:
        if (frames == 2) {
          step = Step::Closed;
          QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
          return;
        }
        break;
      case Step::Closed:
        return;
    }
    // A window whose ticks stopped fails here instead of hanging.
    if (sinceBox.elapsed() > 10'000) box->reject();
  });
  driver.start();

  // Response pacing; its time-out box left empty fails the next tick's pull.
  window.Click(kIdPacingResponse);
  window.SetText(kIdResponseTimeout, "");
  ASSERT_TRUE(window.RunUntil(
      [&] { return step == Step::Closed && !QApplication::activeModalWidget(); }, 30s))
      << "the box never opened or the frames did not end under it, step "
      << static_cast<int>(step) << ", frames "
      << window.Logic().counters.receivedFrames - framesBefore;
  EXPECT_EQ(boxText, "请键入一个整数。");
  EXPECT_EQ(mostBoxes, 1) << "the message was stacked";
  EXPECT_EQ(window.Logic().counters.receivedBytes, 3);
}

}  // namespace
}  // namespace lirosa::test
