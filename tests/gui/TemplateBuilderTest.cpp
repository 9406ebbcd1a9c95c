#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QValidator>

#include "WindowFixture.h"
#include "app/ControlIds.h"
#include "gui/AboutDialog.h"
#include "gui/AppIcon.h"
#include "gui/CaptionFit.h"
#include "gui/ChecksumDialog.h"
#include "gui/StayOnTopButton.h"
#include "gui/TemplateBuilder.h"
#include "gui/TrafficWidget.h"
#include "support/RunTimeCaptions.h"

namespace lirosa::test {
namespace {

bool KindMatches(ControlKind kind, QWidget* w) {
  switch (kind) {
    case ControlKind::PushButton:
      return qobject_cast<QPushButton*>(w) != nullptr;
    case ControlKind::OwnerDrawButton:
      return qobject_cast<StayOnTopButton*>(w) != nullptr;
    case ControlKind::CheckBox:
      return qobject_cast<QCheckBox*>(w) && !static_cast<QCheckBox*>(w)->isTristate();
    case ControlKind::ThreeStateCheckBox:
      return qobject_cast<QCheckBox*>(w) && static_cast<QCheckBox*>(w)->isTristate();
    case ControlKind::RadioButton:
      return qobject_cast<QRadioButton*>(w) != nullptr;
    case ControlKind::GroupBox:
      return qobject_cast<QGroupBox*>(w) != nullptr;
    case ControlKind::EtchedFrame:
      return qobject_cast<QFrame*>(w) != nullptr;
    case ControlKind::Label:
    case ControlKind::Picture:
      return qobject_cast<QLabel*>(w) != nullptr;
    case ControlKind::Edit:
      return qobject_cast<QLineEdit*>(w) != nullptr;
    case ControlKind::MultiLineEdit:
      return qobject_cast<QPlainTextEdit*>(w) != nullptr;
    case ControlKind::RichEdit:
      return qobject_cast<TrafficWidget*>(w) != nullptr;
    case ControlKind::DropDownList:
      return qobject_cast<QComboBox*>(w) != nullptr;
  }
  return false;
}

using MainWindowBuild = WindowFixture;

TEST_F(MainWindowBuild, EveryNumberedControlSitsAtItsTemplatePixels) {
  EXPECT_EQ(window.size(), QSize(789, 488));
  EXPECT_EQ(window.windowTitle(), QString::fromUtf8("Lirosa4.5"));
  EXPECT_FALSE(window.windowIcon().isNull());
  // Its files are read only when drawn: each size a window system asks for
  // must be listed and drawn at that size.
  EXPECT_EQ(window.windowIcon().availableSizes(),
            (QList<QSize>{{48, 48}, {128, 128}, {256, 256}}));
  for (const int size : {48, 128, 256}) {
    EXPECT_EQ(window.windowIcon().pixmap(size).width(), size) << size;
  }
  EXPECT_EQ(window.windowIcon().pixmap(QSize(48, 48), 2.0).width(), 96);  // a HiDPI screen
  QImage drawn(32, 32, QImage::Format_ARGB32);
  drawn.fill(Qt::transparent);
  {
    QPainter painter(&drawn);
    window.windowIcon().paint(&painter, drawn.rect());
  }
  EXPECT_NE(drawn.pixel(16, 16), QColor(Qt::transparent).rgba());
  int numbered = 0;
  for (const ControlTemplate& c : MainDialogTemplate().controls) {
    if (c.id == kNoId) continue;
    ++numbered;
    QWidget* widget = window.Control(c.id);
    ASSERT_NE(widget, nullptr) << c.id;
    EXPECT_EQ(widget->parentWidget(), &window) << c.id;
    EXPECT_TRUE(KindMatches(c.kind, widget)) << c.id;
    EXPECT_EQ(widget, window.findChild<QWidget*>(TemplateBuilder::ObjectName(c.id))) << c.id;
    EXPECT_EQ(widget->property(TemplateBuilder::kIdProperty).toInt(), c.id);
    const QRect expected(qRound(c.x * 1.5 + 0.001), qRound(c.y * 1.5 + 0.001),
                         qRound(c.width * 1.5 + 0.001), qRound(c.height * 1.5 + 0.001));
    EXPECT_EQ(widget->geometry(), expected) << c.id;
    const Rect through = controls.Geometry(c.id);
    EXPECT_EQ(QRect(through.x, through.y, through.width, through.height), expected) << c.id;
  }
  EXPECT_EQ(window.Controls().size(), numbered);
}

TEST(MainWindowIcon, TheProgramsIconIsSharedNotLoadedAgain) {
  const QIcon programIcon = AppIcon();
  QGuiApplication::setWindowIcon(programIcon);
  {
    MonitorWindow window;
    EXPECT_EQ(window.windowIcon().cacheKey(), programIcon.cacheKey());
  }
  QGuiApplication::setWindowIcon(QIcon());
}

TEST_F(MainWindowBuild, StylesBecomeWidgetProperties) {
  for (int id :
       {kIdPeriod1, kIdPeriod2, kIdPeriod3, kIdCyclePeriod, kIdResponseTimeout, kIdRetryLimit}) {
    auto* edit = Find<QLineEdit>(id);
    ASSERT_NE(edit, nullptr) << id;
    ASSERT_NE(edit->validator(), nullptr) << id;
    QString typed = "12a";
    int at = 0;
    EXPECT_EQ(edit->validator()->validate(typed, at), QValidator::Invalid) << id;
    typed = "1200";
    EXPECT_EQ(edit->validator()->validate(typed, at), QValidator::Acceptable) << id;
    EXPECT_FALSE(edit->isReadOnly()) << id;
  }
  for (int id : {kIdRequestsSent, kIdSentBytes, kIdReceivedFrames, kIdReceivedBytes,
                 kIdFileLineCount, kIdFileCurrentLine, kIdCaptureFileName}) {
    EXPECT_TRUE(Find<QLineEdit>(id)->isReadOnly()) << id;
  }
  EXPECT_EQ(Find<QLineEdit>(kIdKeyword)->validator(), nullptr);
  EXPECT_TRUE(Find<QLabel>(kIdHiddenStatic)->isHidden());
  EXPECT_TRUE(Find<QComboBox>(kIdPortList)->isEditable());
  EXPECT_TRUE(Find<QComboBox>(kIdBaudList)->isEditable());
  EXPECT_FALSE(Find<QComboBox>(kIdDataBitsList)->isEditable());
  EXPECT_EQ(Find<QComboBox>(kIdBaudList)->count(), 26);
  EXPECT_EQ(Find<QComboBox>(kIdBaudList)->currentIndex(), -1);
  EXPECT_EQ(Find<QComboBox>(kIdParityList)->itemText(2), QString::fromUtf8("偶校验"));
  EXPECT_FALSE(Find<QRadioButton>(kIdPacingPeriodic)->autoExclusive());
  EXPECT_FALSE(Find<QRadioButton>(kIdPacingResponse)->autoExclusive());
  for (QPushButton* button : window.findChildren<QPushButton*>()) {
    EXPECT_FALSE(button->autoDefault()) << button->text().toStdString();
    EXPECT_FALSE(button->isDefault()) << button->text().toStdString();
  }
  auto* display = Find<TrafficWidget>(kIdTrafficView);
  ASSERT_NE(display, nullptr);
  EXPECT_NE(display->focusPolicy() & Qt::ClickFocus, 0);
  EXPECT_NE(display->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  EXPECT_EQ(display->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
}

TEST_F(MainWindowBuild, FramesLieUnderTheControlsAndLetClicksThrough) {
  const QObjectList& children = window.children();
  for (QGroupBox* box : window.findChildren<QGroupBox*>()) {
    EXPECT_TRUE(box->testAttribute(Qt::WA_TransparentForMouseEvents));
    // Every push button comes later in the stacking order than every frame.
    for (QPushButton* button : window.findChildren<QPushButton*>()) {
      EXPECT_LT(children.indexOf(box), children.indexOf(button));
    }
  }
}

// A caption fits when its text, in the font the widget shows it in, is no
// wider than the room its control leaves for it.
void ExpectCaptionsFit(const QWidget& dialog) {
  for (QWidget* widget : dialog.findChildren<QWidget*>()) {
    const QString caption = CaptionOf(*widget);
    if (caption.isEmpty() || widget->isHidden()) continue;
    EXPECT_LE(CaptionWidth(widget->font(), caption), CaptionRoom(*widget)) << caption.toStdString();
    EXPECT_GE(widget->font().pixelSize(), 9) << caption.toStdString();
    EXPECT_GE(widget->height(), QFontMetrics(widget->font()).height() - 2) << caption.toStdString();
  }
}

TEST_F(MainWindowBuild, EveryTemplateCaptionFitsItsControl) { ExpectCaptionsFit(window); }

TEST_F(MainWindowBuild, RunTimeCaptionsFitToo) {
  for (auto [id, text] : test::kRunTimeCaptions) {
    controls.SetText(id, text);
    EXPECT_EQ(controls.Text(id), text);
    ExpectCaptionsFit(window);
  }
}

TEST_F(MainWindowBuild, ATooWideUnnumberedLabelGrowsOnlyIntoFreeSpace) {
  // "Кол -во запросов" is far wider than its 25 units; it may reach up to
  // the counter box beside it but not under it.
  QLabel* label = nullptr;
  for (QLabel* l : window.findChildren<QLabel*>()) {
    if (l->text() == QString::fromUtf8("Кол -во запросов")) label = l;
  }
  ASSERT_NE(label, nullptr);
  EXPECT_GT(label->width(), TemplateBuilder::ToPixels(25));
  EXPECT_LT(label->geometry().right(), Find<QLineEdit>(kIdRequestsSent)->geometry().left());
}

TEST(SmallDialogs, ChecksumDialogIsBuiltFromItsTemplate) {
  ChecksumDialog dialog;
  EXPECT_EQ(dialog.size(), QSize(215, 227));  // 143 x 151 units
  EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("Настройка"));
  auto* first = qobject_cast<QRadioButton*>(dialog.Control(kChecksumRadioIds[0]));
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(first->isChecked());
  EXPECT_EQ(dialog.Choice(), 0);
  EXPECT_EQ(first->geometry(), QRect(42, 24, 135, 15));
  auto* yes = qobject_cast<QPushButton*>(dialog.Control(kIdOk));
  ASSERT_NE(yes, nullptr);
  EXPECT_TRUE(yes->isDefault());
  EXPECT_EQ(yes->geometry(), QRect(38, 198, 63, 21));
  ExpectCaptionsFit(dialog);
}

TEST(SmallDialogs, AboutBoxCaptionsFit) {
  AboutDialog dialog;
  ExpectCaptionsFit(dialog);
}

}  // namespace
}  // namespace lirosa::test
