#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QEnterEvent>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPixmap>
#include <filesystem>
#include <fstream>
#include <optional>

#include "ModalAnswer.h"
#include "WindowFixture.h"
#include "app/ControlIds.h"
#include "gui/AboutDialog.h"
#include "gui/HoverLink.h"
#include "gui/LampPainter.h"
#include "gui/LinkOpener.h"
#include "gui/PictureLinks.h"
#include "gui/StaticLink.h"
#include "gui/StayOnTopButton.h"
#include "shell/Layout.h"
#include "shell/LinkRules.h"
#include "support/TempDir.h"

namespace lirosa::test {
namespace {

// ---- Lamp images ---------------------------------------------------------------

bool AllWhiteInUpperLeftOf(const QImage& image, int cx, int cy, int* whites) {
  *whites = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (image.pixelColor(x, y) != QColor(Qt::white)) continue;
      ++*whites;
      const bool nearLamp = std::abs(x - cx) <= 7 && std::abs(y - cy) <= 7;
      if (!nearLamp) continue;
      if (x >= cx || y >= cy) return false;
    }
  }
  return true;
}

TEST(LampPainterTest, StateLampIsBlackWhenClosedAndRedWhenOpen) {
  const QImage closed = PaintLamp(StateLampRecipe(false));
  const QImage open = PaintLamp(StateLampRecipe(true));
  ASSERT_EQ(closed.size(), QSize(13, 13));
  EXPECT_EQ(closed.pixelColor(6, 6), QColor(0, 0, 0));
  EXPECT_EQ(open.pixelColor(6, 6), QColor(255, 0, 0));
  EXPECT_EQ(open.pixelColor(8, 9), QColor(255, 0, 0));
  // Outline at the edge of the box, background in the corners.
  EXPECT_EQ(open.pixelColor(6, 0), QColor(0, 0, 0));
  EXPECT_EQ(open.pixelColor(12, 6), QColor(0, 0, 0));
  for (QPoint corner : {QPoint(0, 0), QPoint(12, 0), QPoint(0, 12), QPoint(12, 12)}) {
    EXPECT_EQ(open.pixelColor(corner), QColor(74, 189, 189)) << corner.x() << "," << corner.y();
  }
  int whites = 0;
  EXPECT_TRUE(AllWhiteInUpperLeftOf(open, 6, 6, &whites));
  EXPECT_GE(whites, 2);
  EXPECT_LE(whites, 8);  // a short highlight, not a ring
}

TEST(LampPainterTest, TrafficLampsIdleAndLitSideBySide) {
  const QImage idle = PaintLamp(TrafficLampRecipe(false, false));
  const QImage rxLit = PaintLamp(TrafficLampRecipe(false, true));
  const QImage both = PaintLamp(TrafficLampRecipe(true, true));
  ASSERT_EQ(idle.size(), QSize(60, 20));
  EXPECT_EQ(idle.pixelColor(12, 12), QColor(0, 70, 0));
  EXPECT_EQ(idle.pixelColor(42, 12), QColor(0, 70, 0));
  EXPECT_EQ(rxLit.pixelColor(12, 12), QColor(0, 70, 0));
  EXPECT_EQ(rxLit.pixelColor(42, 12), QColor(0, 255, 0));
  EXPECT_EQ(both.pixelColor(12, 12), QColor(0, 255, 0));
  EXPECT_EQ(both.pixelColor(42, 12), QColor(0, 255, 0));
  for (QPoint p : {QPoint(0, 0), QPoint(59, 19), QPoint(25, 11), QPoint(55, 11), QPoint(11, 1)}) {
    EXPECT_EQ(both.pixelColor(p), QColor(74, 189, 189)) << p.x() << "," << p.y();
  }
  EXPECT_EQ(both.pixelColor(5, 11), QColor(0, 0, 0));   // left edge of the sent lamp
  EXPECT_EQ(both.pixelColor(47, 11), QColor(0, 0, 0));  // right edge of the received lamp
  int whites = 0;
  EXPECT_TRUE(AllWhiteInUpperLeftOf(both, 11, 11, &whites));
  EXPECT_TRUE(AllWhiteInUpperLeftOf(both, 41, 11, &whites));
  EXPECT_GE(whites, 4);
}

// ---- Links ---------------------------------------------------------------------

// Link services that answer with a preset code and record what happened.
struct FakeLinks {
  int code = kLinkOpened;
  QStringList opened;
  int beeps = 0;
  QStringList warnings;

  LinkServices Services() {
    return {[this](const QString& address, LinkDone done) {
              opened << address;
              done(code);
            },
            [this] { ++beeps; }, [this](const QString& text) { warnings << text; }};
  }
};

void Click(QWidget& widget, QPoint at = {2, 2}) {
  QMouseEvent press(QEvent::MouseButtonPress, at, widget.mapToGlobal(at), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&widget, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, at, widget.mapToGlobal(at), Qt::LeftButton,
                      Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(&widget, &release);
}

QColor TextColour(const QLabel& label) { return label.palette().color(QPalette::WindowText); }

class HoverLinkTest : public ::testing::Test {
 protected:
  HoverLinkTest() : label(QStringLiteral("https://lirosa.example.com/"), &parent) {
    parent.resize(400, 100);
    label.setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label.setGeometry(10, 20, 300, 30);
  }
  HoverLink& Bind() { return *new HoverLink(label, links.Services()); }

  QWidget parent;
  QLabel label;
  FakeLinks links;
};

TEST_F(HoverLinkTest, BindingUnderlinesShrinksToTheTextAndShowsTheAddress) {
  HoverLink& link = Bind();
  EXPECT_EQ(link.Address(), QStringLiteral("https://lirosa.example.com/"));
  EXPECT_TRUE(label.font().underline());
  EXPECT_EQ(label.toolTip(), link.Address());
  EXPECT_EQ(label.cursor().shape(), Qt::PointingHandCursor);
  const QFontMetrics metrics(label.font());
  const int spare = (30 - metrics.height()) / 2;
  EXPECT_EQ(label.geometry(),
            QRect(10, 20 + spare, metrics.horizontalAdvance(label.text()), 30 - 2 * spare));
  EXPECT_EQ(TextColour(label), QColor(0, 0, 255));
}

TEST_F(HoverLinkTest, EmptyTextShowsTheGivenAddress) {
  label.setText({});
  new HoverLink(label, links.Services(), QStringLiteral("https://lirosa.example.com/x"));
  EXPECT_EQ(label.text(), QStringLiteral("https://lirosa.example.com/x"));
}

TEST_F(HoverLinkTest, GreenWhileThePointerIsOver) {
  HoverLink& link = Bind();
  QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
  QApplication::sendEvent(&label, &enter);
  EXPECT_TRUE(link.Over());
  EXPECT_EQ(TextColour(label), QColor(0, 255, 0));
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(&label, &leave);
  EXPECT_EQ(TextColour(label), QColor(0, 0, 255));
}

TEST_F(HoverLinkTest, ASuccessfulOpenTurnsItRedForGood) {
  HoverLink& link = Bind();
  Click(label);
  EXPECT_EQ(links.opened, QStringList{link.Address()});
  EXPECT_TRUE(link.Visited());
  EXPECT_EQ(TextColour(label), QColor(255, 0, 0));
  links.code = kLinkNoHandler;
  Click(label);
  EXPECT_EQ(TextColour(label), QColor(255, 0, 0));
}

TEST_F(HoverLinkTest, AFailureBeepsExplainsAndStaysUnvisited) {
  HoverLink& link = Bind();
  links.code = kLinkBusy;
  Click(label);
  EXPECT_EQ(links.beeps, 1);
  EXPECT_EQ(
      links.warnings,
      QStringList{QStringLiteral("Unable to open hyperlink:\n\nA sharing violation occurred. ")});
  EXPECT_FALSE(link.Visited());
  EXPECT_EQ(TextColour(label), QColor(0, 0, 255));
}

TEST_F(HoverLinkTest, ARightClickOpensNothing) {
  Bind();
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), QPointF(2, 2), Qt::RightButton,
                    Qt::RightButton, Qt::NoModifier);
  QApplication::sendEvent(&label, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2), QPointF(2, 2), Qt::RightButton,
                      Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(&label, &release);
  EXPECT_TRUE(links.opened.isEmpty());
}

TEST(StaticLinkTest, TextLinkTurnsPurpleOnlyAfterASuccessfulOpen) {
  QLabel label(QStringLiteral("https://lirosa.example.com/t"));
  FakeLinks links;
  links.code = kLinkFileNotFound;
  auto* link = new StaticLink(label, StaticLink::Kind::Text, links.Services());
  EXPECT_TRUE(label.font().underline());
  EXPECT_EQ(TextColour(label), QColor(0, 0, 255));
  Click(label);
  EXPECT_EQ(links.opened, QStringList{label.text()});  // the text is the address
  EXPECT_EQ(links.beeps, 1);
  EXPECT_TRUE(links.warnings.isEmpty());  // a plain link only beeps
  EXPECT_EQ(TextColour(label), QColor(0, 0, 255));
  links.code = kLinkOpened;
  Click(label);
  EXPECT_TRUE(link->Visited());
  EXPECT_EQ(TextColour(label), QColor(128, 0, 128));
}

TEST(StaticLinkTest, ALinkWithNoAddressAndNoTextDoesNothing) {
  QLabel label;
  FakeLinks links;
  new StaticLink(label, StaticLink::Kind::Picture, links.Services());
  Click(label);
  EXPECT_TRUE(links.opened.isEmpty());
  EXPECT_EQ(links.beeps, 0);
}

TEST(PictureLinksTest, FourPicturesOpenTheirAddressesAndOnlyOneShowsAPicture) {
  QWidget parent;
  ControlMap controls;
  for (int id : {kIdLink1100, kIdLink1101, kIdLink1102, kIdLink1103}) {
    auto* picture = new QLabel(&parent);
    picture->resize(70, 45);
    controls.insert(id, picture);
  }
  FakeLinks links;
  links.code = kLinkAccessDenied;
  BindPictureLinks(controls, links.Services());

  const QPixmap picture = LinkPicture();
  EXPECT_EQ(picture.size(), QSize(240, 128));
  for (int id : {kIdLink1100, kIdLink1101, kIdLink1103}) {
    auto* label = static_cast<QLabel*>(controls[id]);
    EXPECT_TRUE(label->pixmap().isNull()) << id;
    EXPECT_EQ(label->cursor().shape(), Qt::PointingHandCursor) << id;
  }
  const QPixmap shown = static_cast<QLabel*>(controls[kIdLink1102])->pixmap();
  ASSERT_FALSE(shown.isNull());
  EXPECT_LE(shown.width(), 70);
  EXPECT_LE(shown.height(), 45);

  const QPalette before = static_cast<QLabel*>(controls[kIdLink1101])->palette();
  for (int id : {kIdLink1101, kIdLink1100, kIdLink1102, kIdLink1103}) Click(*controls[id]);
  EXPECT_EQ(links.opened, (QStringList{kFirstLinkAddress, kSecondLinkAddress, kThirdLinkAddress,
                                       kSecondLinkAddress}));
  EXPECT_EQ(links.beeps, 4);
  EXPECT_TRUE(links.warnings.isEmpty());
  links.code = kLinkOpened;
  Click(*controls[kIdLink1101]);
  // Pictures are not recoloured.
  EXPECT_EQ(static_cast<QLabel*>(controls[kIdLink1101])->palette(), before);
}

// ---- The fallback opener ---------------------------------------------------------

class LinkOpenerTest : public ::testing::Test {
 protected:
  // A stand-in opener: a shell script that ends with `status`.
  QString Script(const std::string& body, mode_t mode = 0755) {
    const std::filesystem::path path = dir.path() / "opener";
    std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
    chmod(path.c_str(), mode);
    return QString::fromStdString(path.string());
  }
  std::optional<int> Run(const QString& program) {
    std::optional<int> code;
    RunLinkOpener(program, QStringLiteral("https://lirosa.example.com/"), [&](int c) { code = c; });
    QElapsedTimer clock;
    clock.start();
    while (!code && clock.elapsed() < 10000) QApplication::processEvents(QEventLoop::AllEvents, 20);
    return code;
  }
  TempDir dir;
};

TEST_F(LinkOpenerTest, ExitStatusesMapToReasons) {
  EXPECT_EQ(Run(Script("exit 0")), kLinkOpened);
  EXPECT_EQ(Run(Script("exit 3")), kLinkNoHandler);
  EXPECT_EQ(Run(Script("exit 2")), kLinkFileNotFound);
  EXPECT_EQ(Run(Script("exit 4")), kLinkHandlerFailed);
  EXPECT_EQ(Run(Script("kill -9 $$")), kLinkHandlerFailed);
}

TEST_F(LinkOpenerTest, TheAddressIsTheOnlyArgument) {
  const std::filesystem::path out = dir.path() / "args";
  EXPECT_EQ(Run(Script("printf '%s|' \"$@\" > '" + out.string() + "'")), kLinkOpened);
  std::ifstream in(out);
  std::string args;
  std::getline(in, args);
  EXPECT_EQ(args, "https://lirosa.example.com/|");
}

TEST_F(LinkOpenerTest, AMissingOrUnusableOpenerIsReported) {
  EXPECT_EQ(Run(QString::fromStdString((dir.path() / "absent").string())), kLinkNoHandler);
  // Without an execute bit nobody may run it, root included.
  EXPECT_EQ(Run(Script("exit 0", 0644)), kLinkAccessDenied);
}

// The desktop's opener as the links use it: xdg-open found on PATH, here a
// stand-in whose exit status says whether a browser took the address.
class DesktopOpenerTest : public LinkOpenerTest {
 protected:
  DesktopOpenerTest() : savedPath(qgetenv("PATH")) {}
  ~DesktopOpenerTest() override { qputenv("PATH", savedPath); }
  void InstallOpener(int status) {
    const std::filesystem::path path = dir.path() / "xdg-open";
    std::ofstream(path) << "#!/bin/sh\nexit " << status << "\n";
    chmod(path.c_str(), 0755);
    qputenv("PATH", QByteArray(dir.path().c_str()) + ":" + savedPath);
  }
  const QByteArray savedPath;
};

TEST_F(DesktopOpenerTest, AnOpenerThatFindsNoBrowserIsAFailureWithItsReason) {
  InstallOpener(3);
  QWidget owner;
  QLabel label(QStringLiteral("https://lirosa.example.com/"), &owner);
  label.setGeometry(10, 10, 300, 30);
  new HoverLink(label, DesktopLinkServices(&owner));
  const QColor unvisited = TextColour(label);
  QString warning;
  AnswerNextModal(
      [&](QWidget& modal) {
        if (auto* box = qobject_cast<QMessageBox*>(&modal)) warning = box->text();
        if (auto* dialog = qobject_cast<QDialog*>(&modal)) dialog->accept();
      },
      10'000);
  Click(label);
  QElapsedTimer clock;
  clock.start();
  while (warning.isEmpty() && clock.elapsed() < 10'000) {
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  EXPECT_EQ(warning.toStdString(), LinkErrorMessage(kLinkNoHandler));
  EXPECT_EQ(TextColour(label), unvisited);
}

TEST_F(DesktopOpenerTest, TheOpenersSuccessOpensTheLink) {
  InstallOpener(0);
  std::optional<int> code;
  DesktopLinkServices(nullptr).open(QStringLiteral("https://lirosa.example.com/"),
                                    [&](int c) { code = c; });
  QElapsedTimer clock;
  clock.start();
  while (!code && clock.elapsed() < 10'000) QApplication::processEvents(QEventLoop::AllEvents, 20);
  EXPECT_EQ(code, kLinkOpened);
}

// ---- Stay-on-top button ------------------------------------------------------------

int CountColour(const QImage& image, QColor colour) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) n += image.pixelColor(x, y) == colour ? 1 : 0;
  }
  return n;
}

int CountDarkInside(const QImage& image) {
  int n = 0;
  for (int y = 2; y < image.height() - 2; ++y) {
    for (int x = 2; x < image.width() - 2; ++x) {
      const QColor c = image.pixelColor(x, y);
      n += c.red() < 90 && c.green() < 90 && c.blue() < 90 ? 1 : 0;
    }
  }
  return n;
}

TEST(StayOnTopButtonTest, GreenWhenFreeRedWhenPinnedWithALabel) {
  StayOnTopButton button;
  button.resize(15, 15);
  const QImage free = button.grab().toImage();
  EXPECT_GT(CountColour(free, QColor(0, 255, 0)), 30);
  EXPECT_EQ(CountColour(free, QColor(255, 0, 0)), 0);
  EXPECT_GT(CountDarkInside(free), 3);  // "活"
  button.SetPinned(true);
  const QImage pinned = button.grab().toImage();
  EXPECT_GT(CountColour(pinned, QColor(255, 0, 0)), 30);
  EXPECT_EQ(CountColour(pinned, QColor(0, 255, 0)), 0);
  EXPECT_GT(CountDarkInside(pinned), 3);  // "定"
  EXPECT_NE(free, pinned);
}

TEST(StayOnTopButtonTest, PressedFaceMovesOnePixelRightAndDown) {
  StayOnTopButton button;
  button.resize(15, 15);
  const QImage up = button.grab().toImage();
  button.setDown(true);
  const QImage down = button.grab().toImage();
  EXPECT_EQ(up.pixelColor(0, 7), QColor(0, 0, 0));  // the face's black border
  EXPECT_EQ(up.pixelColor(1, 7), QColor(0, 255, 0));
  EXPECT_EQ(down.pixelColor(1, 7), QColor(0, 0, 0));
  EXPECT_EQ(down.pixelColor(7, 1), QColor(0, 0, 0));
  EXPECT_NE(down.pixelColor(0, 7), QColor(0, 255, 0));
}

// ---- The real window -----------------------------------------------------------

using ShellWindowTest = WindowFixture;

TEST_F(ShellWindowTest, TheButtonTurnsRedAndBackWithoutMovingTheWindow) {
  Start();
  window.show();
  const QRect frame = window.geometry();
  StayOnTopButton* button = window.StayOnTop();
  ASSERT_NE(button, nullptr);
  const QRect place = button->geometry();
  EXPECT_GT(CountColour(button->grab().toImage(), QColor(0, 255, 0)), 30);
  button->click();
  EXPECT_TRUE(logic->stayOnTop);
  EXPECT_GT(CountColour(button->grab().toImage(), QColor(255, 0, 0)), 30);
  EXPECT_EQ(window.geometry(), frame);
  button->click();
  EXPECT_FALSE(logic->stayOnTop);
  EXPECT_FALSE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_GT(CountColour(button->grab().toImage(), QColor(0, 255, 0)), 30);
  EXPECT_EQ(window.geometry(), frame);
  EXPECT_EQ(button->geometry(), place);
}

TEST_F(ShellWindowTest, MaximizeFollowsTheScreenAndRestorePutsThePixelLayoutBack) {
  Start();
  window.show();
  QApplication::processEvents();
  const QRect templatePlace = window.Control(kIdCyclePeriod)->geometry();
  window.showMaximized();
  QApplication::processEvents();
  ASSERT_TRUE(logic->maximizedOnce);
  const ScreenSize screen = host.PrimaryScreen();
  for (const Placement& p : MaximizedPlacements(screen)) {
    const Rect& r = p.geometry;
    EXPECT_EQ(window.Control(p.id)->geometry(), QRect(r.x, r.y, r.width, r.height)) << p.id;
  }
  EXPECT_FALSE(window.StayOnTop()->isVisible());
  EXPECT_EQ(logic->lineChars, MaximizedDisplayGeometry(screen).lineChars);

  window.showNormal();
  QApplication::processEvents();
  EXPECT_EQ(window.Control(kIdCyclePeriod)->geometry(), QRect(140, 406, 46, 18));
  EXPECT_NE(window.Control(kIdCyclePeriod)->geometry(), templatePlace);
  EXPECT_EQ(window.Control(kIdTrafficView)->geometry(), QRect(296, 6, 483, 270));
  EXPECT_TRUE(window.StayOnTop()->isVisible());
  EXPECT_FALSE(window.Control(kIdHiddenStatic)->isVisible());
  EXPECT_EQ(logic->lineChars, 84);
  EXPECT_EQ(logic->displayRows, 15);
}

TEST_F(ShellWindowTest, ThePicturesAreLinksAndOneShowsThePicture) {
  Start();
  for (int id : {kIdLink1100, kIdLink1101, kIdLink1102, kIdLink1103}) {
    auto* picture = Find<QLabel>(id);
    ASSERT_NE(picture, nullptr) << id;
    EXPECT_NE(picture->findChild<StaticLink*>(), nullptr) << id;
    EXPECT_EQ(picture->cursor().shape(), Qt::PointingHandCursor) << id;
    EXPECT_EQ(picture->pixmap().isNull(), id != kIdLink1102) << id;
  }
}

TEST(AboutDialogTest, TheLinkIsAHoverLinkFittedToItsAddress) {
  AboutDialog about;
  auto* label = qobject_cast<QLabel*>(about.Control(kIdAboutLink));
  ASSERT_NE(label, nullptr);
  auto* link = label->findChild<HoverLink*>();
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(link->Address(), QString::fromUtf8(kAboutLinkAddress));
  EXPECT_EQ(label->text(), link->Address());  // the text shown is what a click opens
  EXPECT_EQ(label->toolTip(), link->Address());
  EXPECT_TRUE(label->font().underline());
  EXPECT_EQ(label->width(), QFontMetrics(label->font()).horizontalAdvance(label->text()));
  EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(0, 0, 255));
  auto* ok = qobject_cast<QAbstractButton*>(about.Control(kIdOk));
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(ok->text(), QString::fromUtf8("ОК"));
}

}  // namespace
}  // namespace lirosa::test
