#include "gui/QtPrompts.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>

#include "app/MonitorDialog.h"
#include "gui/AboutDialog.h"
#include "gui/ChecksumDialog.h"

namespace lirosa {

namespace {

void ShowBox(QWidget* owner, QMessageBox::Icon icon, const std::string& text) {
  QMessageBox box(icon, QString::fromUtf8(kAppTitle), QString::fromStdString(text), QMessageBox::Ok,
                  owner);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

}  // namespace

void QtPrompts::Message(const std::string& text) { ShowBox(owner_, QMessageBox::NoIcon, text); }

void QtPrompts::StopMessage(const std::string& text) {
  ShowBox(owner_, QMessageBox::Critical, text);
}

void QtPrompts::WarningMessage(const std::string& text) {
  ShowBox(owner_, QMessageBox::Warning, text);
}

QString QtPrompts::NameFilter(const FileChoice& choice) {
  const QString name = QString::fromStdString(choice.filterName);
  const QString pattern = QString::fromStdString(choice.filterPattern);
  if (pattern.isEmpty()) return name;
  // "文本文件(*.txt)" already names its pattern the way Qt reads filters.
  if (name.endsWith(QLatin1Char('(') + pattern + QLatin1Char(')'))) return name;
  return name + QStringLiteral(" (") + pattern + QLatin1Char(')');
}

std::optional<std::string> QtPrompts::ChooseFile(const FileChoice& choice) {
  QFileDialog dialog(owner_, QString::fromStdString(choice.title));
  dialog.setNameFilter(NameFilter(choice));
  dialog.setDefaultSuffix(QString::fromStdString(choice.defaultSuffix));
  if (choice.mustExist) {
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
  } else {
    // The chosen file is appended to, never replaced, so an existing name
    // needs no "replace it?" question; a new name is simply accepted.
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
  }
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty()) return std::nullopt;
  return QFile::encodeName(files.front()).toStdString();
}

std::optional<ChecksumKind> QtPrompts::ChooseChecksum() {
  ChecksumDialog dialog(owner_);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const int choice = dialog.Choice();
  if (choice < 0) return std::nullopt;
  return static_cast<ChecksumKind>(choice);
}

void QtPrompts::ShowAbout() {
  AboutDialog dialog(owner_);
  dialog.exec();
}

void QtPrompts::Beep() { QApplication::beep(); }

}  // namespace lirosa
