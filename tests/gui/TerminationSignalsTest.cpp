#include <gtest/gtest.h>
#include <signal.h>

#include <QApplication>
#include <QElapsedTimer>
#include <vector>

#include "gui/TerminationSignals.h"

namespace lirosa::test {
namespace {

// SIGTERM and SIGINT arrive on the event loop as Received, one per signal
// read, and leave their default action behind once the object goes.
TEST(TerminationSignalsTest, SignalsArriveOnTheEventLoop) {
  std::vector<int> received;
  {
    TerminationSignals termination;
    ASSERT_TRUE(termination.Installed());
    QObject::connect(&termination, &TerminationSignals::Received,
                     [&](int number) { received.push_back(number); });
    for (int number : {SIGTERM, SIGINT}) {
      ASSERT_EQ(raise(number), 0);
      QElapsedTimer clock;
      clock.start();
      const std::size_t before = received.size();
      while (received.size() == before && clock.elapsed() < 2000) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
      }
    }
  }
  EXPECT_EQ(received, (std::vector<int>{SIGTERM, SIGINT}));
  struct sigaction now = {};
  sigaction(SIGTERM, nullptr, &now);
  EXPECT_EQ(now.sa_handler, SIG_DFL);
}

}  // namespace
}  // namespace lirosa::test
