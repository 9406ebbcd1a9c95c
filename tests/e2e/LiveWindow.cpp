#include "e2e/LiveWindow.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdint>

#include "app/ControlIds.h"
#include "gui/TrafficWidget.h"

namespace lirosa::test {

namespace {

constexpr qint64 kModalGraceMs = 5000;

}  // namespace

LiveWindow::LiveWindow()
    : controls_(window_.Controls()),
      prompts_(&window_),
      view_(window_.TrafficDisplay()),
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
  QCoreApplication::sendPostedEvents();
  const TrafficText& text = window_.TrafficDisplay().Text();
  std::vector<DisplayLine> lines(1);
  // Line by line at the CRs; a colour per run of equally coloured text.
  std::uint64_t at = text.Begin();
  while (at < text.End()) {
    const std::uint64_t next = std::min(text.NextRecordStart(at), text.End());
    const Colour colour = text.ColourAt(at);
    const QColor shade(colour.red, colour.green, colour.blue);
    const std::string piece = text.Text(at, next);
    std::size_t from = 0;
    while (from <= piece.size()) {
      const std::size_t cr = std::min(piece.find('\r', from), piece.size());
      if (cr > from) {
        DisplayLine& line = lines.back();
        line.text += piece.substr(from, cr - from);
        if (line.colours.empty() || line.colours.back() != shade) line.colours.push_back(shade);
      }
      if (cr == piece.size()) break;
      lines.emplace_back();
      from = cr + 1;
    }
    at = next;
  }
  if (lines.size() == 1 && lines.front().text.empty()) lines.clear();
  return lines;
}

}  // namespace lirosa::test
