#include "gui/LinkOpener.h"

#include <spawn.h>
#include <sys/wait.h>

#include <QApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QPointer>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <memory>

#include "gui/QtPrompts.h"
#include "shell/LinkRules.h"

extern char** environ;

namespace lirosa {

namespace {

constexpr int kReapPollMs = 20;
constexpr int kOpenerPatienceMs = 3000;

// Watches one started opener until it exits. Lives with the application,
// not with the link that started it, so that closing the about box neither
// kills the opener nor leaves a zombie behind.
class OpenerWatch final : public QObject {
 public:
  OpenerWatch(pid_t pid, LinkDone done) : QObject(qApp), pid_(pid), done_(std::move(done)) {
    clock_.start();
    timer_.setInterval(kReapPollMs);
    connect(&timer_, &QTimer::timeout, this, &OpenerWatch::Poll);
    timer_.start();
  }

 private:
  void Poll() {
    int status = 0;
    const pid_t reaped = waitpid(pid_, &status, WNOHANG);
    if (reaped == 0) {
      if (done_ && clock_.elapsed() >= kOpenerPatienceMs) Finish(kLinkOpened);
      return;
    }
    if (reaped < 0) {
      Finish(kLinkHandlerFailed);
    } else if (WIFEXITED(status)) {
      Finish(LinkCodeForOpenerExit(WEXITSTATUS(status)));
    } else {
      Finish(kLinkHandlerFailed);  // killed by a signal
    }
    timer_.stop();
    deleteLater();
  }

  void Finish(int code) {
    if (!done_) return;
    LinkDone done = std::move(done_);
    done_ = nullptr;
    done(code);
  }

  pid_t pid_;
  LinkDone done_;
  QTimer timer_;
  QElapsedTimer clock_;
};

}  // namespace

void RunLinkOpener(const QString& program, const QString& address, LinkDone done) {
  const QByteArray file = program.toLocal8Bit();
  const QByteArray argument = address.toUtf8();
  char* argv[] = {const_cast<char*>(file.constData()), const_cast<char*>(argument.constData()),
                  nullptr};
  pid_t pid = 0;
  const int error = posix_spawnp(&pid, file.constData(), nullptr, nullptr, argv, environ);
  if (error != 0) {
    done(LinkCodeForErrno(error));
    return;
  }
  new OpenerWatch(pid, std::move(done));
}

LinkServices DesktopLinkServices(QWidget* owner) {
  LinkServices services;
  services.open = [](const QString& address, LinkDone done) {
    if (address.isEmpty()) {
      done(kLinkOutOfResources);
      return;
    }
    // Qt would start xdg-open detached and call that success, even when
    // it then finds no browser.
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (!opener.isEmpty()) {
      RunLinkOpener(opener, address, std::move(done));
      return;
    }
    done(QDesktopServices::openUrl(QUrl::fromUserInput(address)) ? kLinkOpened : kLinkNoHandler);
  };
  services.beep = [] { QApplication::beep(); };
  QPointer<QWidget> guard(owner);
  services.warn = [guard](const QString& text) {
    QtPrompts(guard.data()).WarningMessage(text.toStdString());
  };
  return services;
}

}  // namespace lirosa
