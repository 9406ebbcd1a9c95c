#include "gui/QtDialogControls.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QTextDocument>
#include <algorithm>
#include <utility>

#include "app/ControlIds.h"
#include "gui/CaptionFit.h"
#include "gui/CounterEdit.h"
#include "gui/WideListBox.h"

namespace lirosa {

namespace {

// The logic keeps CR LF line breaks (what the request grammar and the
// settings files expect); a text box keeps Qt's LF.
QString ToBoxText(const std::string& text) {
  QString box = QString::fromStdString(text);
  box.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  box.replace(QChar('\r'), QChar('\n'));
  return box;
}

std::string FromBoxText(QString box) {
  box.replace(QChar('\n'), QStringLiteral("\r\n"));
  return box.toStdString();
}

bool IsCounter(int id) {
  return id == kIdRequestsSent || id == kIdReceivedFrames || id == kIdSentBytes ||
         id == kIdReceivedBytes;
}

Qt::CheckState ToCheckState(int state) {
  if (state == 1) return Qt::Checked;
  if (state == 2) return Qt::PartiallyChecked;
  return Qt::Unchecked;
}

}  // namespace

QtDialogControls::QtDialogControls(ControlMap controls) : controls_(std::move(controls)) {
  for (auto it = controls_.cbegin(); it != controls_.cend(); ++it) {
    Readable& control = readables_[it.key()];
    control.widget = it.value();
    if (qobject_cast<CounterEdit*>(control.widget)) {
      control.kind = Kind::Counter;
    } else if (qobject_cast<QLineEdit*>(control.widget)) {
      control.kind = Kind::LineEdit;
    } else if (qobject_cast<QPlainTextEdit*>(control.widget)) {
      control.kind = Kind::TextBox;
    } else if (qobject_cast<QComboBox*>(control.widget)) {
      control.kind = Kind::List;
    } else if (qobject_cast<QCheckBox*>(control.widget)) {
      control.kind = Kind::CheckBox;
    } else if (qobject_cast<QAbstractButton*>(control.widget)) {
      control.kind = Kind::Button;
    }
  }
}

QtDialogControls::~QtDialogControls() {
  for (const Readable& control : std::as_const(readables_)) QObject::disconnect(control.watch);
}

QtDialogControls::Readable* QtDialogControls::FindReadable(int id) const {
  auto found = readables_.find(id);
  if (found == readables_.end() || !found->widget) return nullptr;
  return &*found;
}

std::string QtDialogControls::Text(int id) const {
  Readable* control = FindReadable(id);
  if (!control) return {};
  switch (control->kind) {
    case Kind::LineEdit:
      return SharedText(*control, static_cast<QLineEdit*>(control->widget)->text());
    case Kind::Counter:
      if (auto waiting = waitingCounters_.constFind(id); waiting != waitingCounters_.cend()) {
        return waiting->toStdString();
      }
      return SharedText(*control, static_cast<CounterEdit*>(control->widget)->ShownText());
    case Kind::TextBox:
      return BoxText(*control);
    case Kind::List:
      return SharedText(*control, static_cast<QComboBox*>(control->widget)->currentText());
    case Kind::CheckBox:
    case Kind::Button:
    case Kind::Other:
      break;
  }
  return CaptionOf(*control->widget).toStdString();
}

const std::string& QtDialogControls::SharedText(Readable& control, const QString& current) {
  // Shared data is the same text without comparing it; an equal text
  // needs no conversion either.
  if (!current.isSharedWith(control.source) && current != control.source) {
    control.source = current;
    control.text = control.haveRaw && current == control.rawShown ? control.raw
                                                                   : current.toStdString();
  }
  return control.text;
}

const std::string& QtDialogControls::BoxText(Readable& control) {
  auto* box = static_cast<QPlainTextEdit*>(control.widget);
  if (!control.stale || control.document != box->document()) {
    // Watched from the first reading on: the document signals every change
    // of its text, whoever makes it, even with the box's signals blocked.
    QObject::disconnect(control.watch);
    control.document = box->document();
    control.stale = std::make_shared<bool>(true);
    control.watch = QObject::connect(box->document(), &QTextDocument::contentsChanged, box,
                                     [stale = control.stale] { *stale = true; });
  }
  if (*control.stale) {
    *control.stale = false;
    const QString plain = box->toPlainText();
    control.text =
        control.haveRaw && plain == control.rawShown ? control.raw : FromBoxText(plain);
  }
  return control.text;
}

void QtDialogControls::SetText(int id, const std::string& text) {
  QWidget* widget = Find(id);
  if (!widget) return;
  if (auto* counter = qobject_cast<CounterEdit*>(widget)) {
    const QString value = QString::fromStdString(text);
    if (IsCounter(id)) {
      SetCounter(id, *counter, value);
      return;
    }
    counter->ShowValue(value);
    KeepRaw(id, text, value, value.toStdString());
    return;
  }
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    // Rewriting an unchanged text would throw away the user's caret.
    const QString value = QString::fromStdString(text);
    if (edit->text() != value) edit->setText(value);
    KeepRaw(id, text, value, value.toStdString());
    return;
  }
  if (auto* box = qobject_cast<QPlainTextEdit*>(widget)) {
    const QString value = ToBoxText(text);
    if (box->toPlainText() != value) box->setPlainText(value);
    KeepRaw(id, text, value, FromBoxText(value));
    return;
  }
  if (auto* list = qobject_cast<QComboBox*>(widget)) {
    // Text put into a list stands for typed text, not for a selection.
    const QString value = QString::fromStdString(text);
    const QSignalBlocker quiet(list);
    if (list->isEditable()) {
      list->setCurrentIndex(-1);
      list->setEditText(value);
      return;
    }
    list->setCurrentIndex(list->findText(value, Qt::MatchExactly));
    return;
  }
  const QString caption = QString::fromStdString(text);
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    button->setText(caption);
  } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
    group->setTitle(caption);
  } else if (auto* label = qobject_cast<QLabel*>(widget)) {
    label->setText(caption);
  } else {
    return;
  }
  FitCaption(*widget);
}

void QtDialogControls::SetCounter(int id, CounterEdit& edit, const QString& value) {
  auto waiting = waitingCounters_.find(id);
  if (waiting == waitingCounters_.end()) {
    if (edit.ShownText() == value) return;
    waiting = waitingCounters_.insert(id, value);
  } else {
    *waiting = value;
  }
  counterGate_.Post(&edit, [this, id, edit = QPointer<CounterEdit>(&edit)] {
    const QString shown = waitingCounters_.take(id);
    if (edit) edit->ShowValue(shown);
  });
}

void QtDialogControls::KeepRaw(int id, const std::string& text, const QString& shown,
                               const std::string& back) {
  Readable* control = FindReadable(id);
  if (!control) return;
  // A text the widget holds faithfully, CR LF aside, needs nothing kept.
  std::string plain = text;
  std::string converted = back;
  // Every form of line break (CR LF, CR, LF) counts as one break.
  for (std::string* t : {&plain, &converted}) {
    std::string breaks;
    for (std::size_t i = 0; i < t->size(); ++i) {
      if ((*t)[i] == '\r' && i + 1 < t->size() && (*t)[i + 1] == '\n') continue;
      breaks += (*t)[i] == '\r' ? '\n' : (*t)[i];
    }
    *t = std::move(breaks);
  }
  control->haveRaw = plain != converted;
  control->raw = control->haveRaw ? text : std::string();
  control->rawShown = control->haveRaw ? shown : QString();
  // The next reading decides afresh.
  control->source = QString();
  control->text.clear();
  if (control->stale) *control->stale = true;
}

int QtDialogControls::Check(int id) const {
  Readable* control = FindReadable(id);
  if (!control) return 0;
  switch (control->kind) {
    case Kind::CheckBox:
      switch (static_cast<QCheckBox*>(control->widget)->checkState()) {
        case Qt::Unchecked:
          return 0;
        case Qt::Checked:
          return 1;
        case Qt::PartiallyChecked:
          return 2;
      }
      return 0;
    case Kind::Button:
      return static_cast<QAbstractButton*>(control->widget)->isChecked() ? 1 : 0;
    case Kind::LineEdit:
    case Kind::Counter:
    case Kind::TextBox:
    case Kind::List:
    case Kind::Other:
      return 0;
  }
  return 0;
}

void QtDialogControls::SetCheck(int id, int state) {
  QWidget* widget = Find(id);
  if (auto* box = qobject_cast<QCheckBox*>(widget)) {
    // An indeterminate state shows even on a two-state box, as the logic
    // asked for it.
    box->setCheckState(ToCheckState(state));
    return;
  }
  if (auto* button = qobject_cast<QAbstractButton*>(widget); button && button->isCheckable()) {
    button->setChecked(state != 0);
  }
}

int QtDialogControls::ListIndex(int id) const {
  Readable* control = FindReadable(id);
  if (!control || control->kind != Kind::List) return -1;
  auto* list = static_cast<QComboBox*>(control->widget);
  const int index = list->currentIndex();
  // A typed text that is no longer the selected entry's is no selection.
  if (list->isEditable() && index >= 0 && list->itemText(index) != list->currentText()) return -1;
  return index;
}

void QtDialogControls::SetListIndex(int id, int index) {
  auto* list = qobject_cast<QComboBox*>(Find(id));
  if (!list) return;
  const QSignalBlocker quiet(list);
  list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

std::vector<ListEntry> QtDialogControls::ListEntries(int id) const {
  std::vector<ListEntry> entries;
  auto* list = qobject_cast<QComboBox*>(Find(id));
  if (!list) return entries;
  for (int i = 0; i < list->count(); ++i) {
    entries.push_back({list->itemText(i).toStdString(),
                       list->itemData(i, WideListBox::kDescriptionRole).toString().toStdString(),
                       list->itemData(i, WideListBox::kShortNameRole).toString().toStdString()});
  }
  return entries;
}

void QtDialogControls::SetListEntries(int id, const std::vector<ListEntry>& entries) {
  auto* list = qobject_cast<QComboBox*>(Find(id));
  if (!list) return;
  const QSignalBlocker quiet(list);
  const QString shown = list->currentText();
  const bool selected = ListIndex(id) >= 0;
  list->clear();
  for (const ListEntry& entry : entries) {
    list->addItem(QString::fromStdString(entry.text));
    if (!entry.description.empty()) {
      list->setItemData(list->count() - 1, QString::fromStdString(entry.description),
                        WideListBox::kDescriptionRole);
    }
    if (!entry.shortName.empty()) {
      list->setItemData(list->count() - 1, QString::fromStdString(entry.shortName),
                        WideListBox::kShortNameRole);
    }
  }
  // The same entry stays selected if it is still there; typed text stays.
  list->setCurrentIndex(selected ? list->findText(shown, Qt::MatchExactly) : -1);
  if (list->isEditable() && list->currentIndex() < 0) list->setEditText(shown);
}

void QtDialogControls::Enable(int id, bool enabled) {
  if (QWidget* widget = Find(id)) widget->setEnabled(enabled);
}

bool QtDialogControls::IsEnabled(int id) const {
  QWidget* widget = Find(id);
  return widget && widget->isEnabledTo(widget->parentWidget());
}

void QtDialogControls::Show(int id, bool visible) {
  if (QWidget* widget = Find(id)) widget->setHidden(!visible);
}

bool QtDialogControls::IsVisible(int id) const {
  QWidget* widget = Find(id);
  return widget && !widget->isHidden();
}

void QtDialogControls::Move(int id, Rect geometry) {
  QWidget* widget = Find(id);
  if (!widget) return;
  widget->setGeometry(geometry.x, geometry.y, geometry.width, geometry.height);
  FitCaption(*widget);
}

Rect QtDialogControls::Geometry(int id) const {
  QWidget* widget = Find(id);
  if (!widget) return {};
  const QRect r = widget->geometry();
  return {r.x(), r.y(), r.width(), r.height()};
}

}  // namespace lirosa
