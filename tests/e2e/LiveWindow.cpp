#include "e2e/LiveWindow.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>

#include "app/ControlIds.h"

namespace lirosa::test {

namespace {

constexpr qint64 kModalGraceMs = 5000;

}  // namespace

LiveWindow::LiveWindow()
    : controls_(window_.Controls()),
      prompts_(&window_),
      view_(window_.TrafficDisplay(), QtTrafficView::kDefaultCapacity,
            QtTrafficView::Updates::Deferred),
      host_(window_) {
  logic_ = std::make_unique<MonitorDialog>(Platform{controls_, prompts_, view_, port_, clock_, host_,
                                                    [] { return std::vector<ListEntry>{}; },
                                                    settings_.path().string(), nullptr,
                                                    // COMn names lead into an empty folder.
                                                    "/sys", (settings_.path() / "dev").string()});
  window_.Attach(logic_.get());
}

LiveWindow::~LiveWindow() {
  // No tick may reach the logic while the members go.
  window_.Attach(nullptr);
  port_.Close();
}

void LiveWindow::Start(const std::string& portPath) {
  // set.log: port, stop bits, parity, data bits, baud, as list positions.
  settings_.Write("set.log", portPath + "\r\n0\r\n0\r\n2\r\n6\r\n");
  logic_->InitDialog();
  window_.show();
}

bool LiveWindow::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  QElapsedTimer clock;
  clock.start();
  // An idle window stops its timers; this one keeps the loop looking at
  // `done`, which may wait on something outside the window.
  QTimer poll;
  poll.start(10);
  while (!done()) {
    if (clock.elapsed() >= timeout.count()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  }
  return true;
}

bool LiveWindow::RunUntilAllAnswered(std::chrono::milliseconds timeout) {
  return RunUntil([&] { return Text(kIdReceivedFrames) == Text(kIdRequestsSent); }, timeout);
}

void LiveWindow::Click(int id) {
  auto* button = qobject_cast<QAbstractButton*>(window_.Control(id));
  ASSERT_NE(button, nullptr) << "no button " << id;
  ASSERT_TRUE(button->isEnabled()) << "button " << id << " is disabled";
  button->click();
}

bool LiveWindow::ClickAnswering(int id, const std::function<void(QWidget& modal)>& answer) {
  bool answered = false;
  QElapsedTimer sinceAnswer;
  QTimer watch;
  watch.setInterval(5);
  QObject::connect(&watch, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) return;
    if (!answered) {
      answered = true;
      sinceAnswer.start();
      answer(*modal);
      return;
    }
    if (sinceAnswer.elapsed() < kModalGraceMs) return;
    if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
  });
  watch.start();
  // Returns when the modal window has closed: its own loop runs inside.
  Click(id);
  return answered;
}

std::vector<DisplayLine> LiveWindow::Display() const {
  // Records of the last tick reach the display once the event loop has
  // had a turn, as on screen.
  QCoreApplication::sendPostedEvents();
  std::vector<DisplayLine> lines;
  const QTextDocument* document = window_.TrafficDisplay().document();
  for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
    DisplayLine line;
    line.text = block.text().toStdString();
    for (auto run = block.begin(); !run.atEnd(); ++run) {
      const QTextFragment fragment = run.fragment();
      if (fragment.isValid()) line.colours.push_back(fragment.charFormat().foreground().color());
    }
    lines.push_back(std::move(line));
  }
  // An empty document still has one empty paragraph.
  if (lines.size() == 1 && lines.front().text.empty()) lines.clear();
  return lines;
}

}  // namespace lirosa::test
