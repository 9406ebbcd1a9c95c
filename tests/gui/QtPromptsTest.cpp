#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>

#include "ModalAnswer.h"
#include "app/ControlIds.h"
#include "gui/ChecksumDialog.h"
#include "gui/QtPrompts.h"
#include "support/TempDir.h"

namespace lirosa::test {
namespace {

struct BoxSeen {
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  int buttons = 0;
};

// Opens a box through `show`, reads it and closes it with its OK button.
template <typename Show>
BoxSeen ReadBox(Show show) {
  BoxSeen seen;
  AnswerNextModal([&](QWidget& modal) {
    auto* box = qobject_cast<QMessageBox*>(&modal);
    if (!box) return;
    seen = {box->windowTitle(), box->text(), box->icon(), static_cast<int>(box->buttons().size())};
    box->button(QMessageBox::Ok)->click();
  });
  show();
  return seen;
}

TEST(QtPromptsTest, MessageBoxesAreTitledWithTheApplicationAndHaveOneOkButton) {
  QtPrompts prompts(nullptr);
  struct Row {
    void (QtPrompts::*show)(const std::string&);
    QMessageBox::Icon icon;
  };
  const Row rows[] = {{&QtPrompts::Message, QMessageBox::NoIcon},
                      {&QtPrompts::StopMessage, QMessageBox::Critical},
                      {&QtPrompts::WarningMessage, QMessageBox::Warning}};
  for (const Row& row : rows) {
    const BoxSeen seen = ReadBox([&] { (prompts.*row.show)("通信端口<COM3>无法打开!"); });
    EXPECT_EQ(seen.title, QString::fromUtf8("Lirosa4.5"));
    EXPECT_EQ(seen.text, QString::fromUtf8("通信端口<COM3>无法打开!"));
    EXPECT_EQ(seen.icon, row.icon);
    EXPECT_EQ(seen.buttons, 1);
  }
}

// Picks radio `choice` (or none) and closes with "Да " or "Нет".
std::optional<ChecksumKind> Choose(QtPrompts& prompts, int choice, bool yes, bool* startedOnFirst) {
  AnswerNextModal([=](QWidget& modal) {
    auto* dialog = qobject_cast<ChecksumDialog*>(&modal);
    if (!dialog) return;
    *startedOnFirst = dialog->Choice() == 0;
    if (choice >= 0)
      qobject_cast<QAbstractButton*>(dialog->Control(kChecksumRadioIds[choice]))->click();
    qobject_cast<QAbstractButton*>(dialog->Control(yes ? kIdOk : kIdCancel))->click();
  });
  return prompts.ChooseChecksum();
}

TEST(QtPromptsTest, ChecksumDialogAnswersTheChosenRadioOnYesOnly) {
  QtPrompts prompts(nullptr);
  bool first = false;
  EXPECT_EQ(Choose(prompts, 4, true, &first), ChecksumKind::Xor8);
  EXPECT_TRUE(first);
  // A new dialog each time: the last choice is not remembered.
  first = false;
  EXPECT_EQ(Choose(prompts, 6, true, &first), ChecksumKind::Crc32HighFirst);
  EXPECT_TRUE(first);
  EXPECT_EQ(Choose(prompts, -1, true, &first), ChecksumKind::Crc16LowFirst);
  EXPECT_EQ(Choose(prompts, 2, false, &first), std::nullopt);
}

TEST(QtPromptsTest, ChecksumDialogRadiosAreOneExclusiveGroup) {
  ChecksumDialog dialog;
  for (int i = 6; i >= 0; --i) {
    qobject_cast<QAbstractButton*>(dialog.Control(kChecksumRadioIds[i]))->click();
    EXPECT_EQ(dialog.Choice(), i);
  }
}

TEST(QtPromptsTest, FilterNamesAreShownTheWayTheUserKnowsThem) {
  EXPECT_EQ(QtPrompts::NameFilter({"", "文本文件(*.txt)", "*.txt", "txt", false}),
            QString::fromUtf8("文本文件(*.txt)"));
  EXPECT_EQ(QtPrompts::NameFilter({"", "Text files", "*.txt", "txt", false}),
            QString("Text files (*.txt)"));
  EXPECT_EQ(QtPrompts::NameFilter({"", "All", "", "", false}), QString("All"));
}

TEST(QtPromptsTest, ChoosingACaptureFileAcceptsANewNameAndAddsTheSuffix) {
  TempDir folder;
  QtPrompts prompts(nullptr);
  QFileDialog::AcceptMode mode = QFileDialog::AcceptOpen;
  bool asksBeforeReplacing = true;
  QStringList filters;
  AnswerNextModal([&](QWidget& modal) {
    auto* dialog = qobject_cast<QFileDialog*>(&modal);
    if (!dialog) return;
    mode = dialog->acceptMode();
    asksBeforeReplacing = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
    filters = dialog->nameFilters();
    dialog->setDirectory(QString::fromStdString(folder.path().string()));
    dialog->selectFile("capture");
    static_cast<QDialog*>(dialog)->accept();  // the file dialog's own accept is protected
  });
  const auto chosen = prompts.ChooseFile({"", "文本文件(*.txt)", "*.txt", "txt", false});
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(*chosen, folder.File("capture.txt"));
  EXPECT_EQ(mode, QFileDialog::AcceptSave);
  EXPECT_FALSE(asksBeforeReplacing);
  EXPECT_EQ(filters, QStringList{QString::fromUtf8("文本文件(*.txt)")});
}

TEST(QtPromptsTest, ChoosingAFileToSendWantsAnExistingFileAndMayBeCancelled) {
  QtPrompts prompts(nullptr);
  QFileDialog::FileMode fileMode = QFileDialog::AnyFile;
  AnswerNextModal([&](QWidget& modal) {
    auto* dialog = qobject_cast<QFileDialog*>(&modal);
    if (!dialog) return;
    fileMode = dialog->fileMode();
    dialog->reject();
  });
  EXPECT_EQ(prompts.ChooseFile({"Lirosa4.5 发送文件", "文本文件(*.txt)", "*.txt", "txt", true}),
            std::nullopt);
  EXPECT_EQ(fileMode, QFileDialog::ExistingFile);
}

TEST(QtPromptsTest, AboutBoxClosesWithItsOkButton) {
  QtPrompts prompts(nullptr);
  QString address;
  AnswerNextModal([&](QWidget& modal) {
    if (auto* link = modal.findChild<QWidget*>("id1106"))
      address = link->property("text").toString();
    if (auto* ok = modal.findChild<QPushButton*>("id1")) ok->click();
  });
  prompts.ShowAbout();
  EXPECT_TRUE(address.startsWith("https://"));
}

}  // namespace
}  // namespace lirosa::test
