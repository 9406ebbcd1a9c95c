#include "gui/WideListBox.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <algorithm>

namespace lirosa {

namespace {

constexpr const char* kSeparator = "  —  ";
constexpr int kEntryPadding = 24;  // item margins and the popup's frame

QString WithDescription(const QString& text, const QString& description) {
  return description.isEmpty() ? text : text + QString::fromUtf8(kSeparator) + description;
}

// Shows each entry's description after its text.
class EntryDelegate final : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    option->text = WithDescription(option->text, index.data(WideListBox::kDescriptionRole).toString());
  }
};

}  // namespace

WideListBox::WideListBox(QWidget* parent) : QComboBox(parent) {
  // The list itself is made when it first opens: asking for it here built a
  // list view and its popup for every box at every start.
  connect(this, &QComboBox::currentTextChanged, this, &WideListBox::UpdateChosen);
  connect(this, &QComboBox::currentIndexChanged, this, &WideListBox::UpdateChosen);
}

QString WideListBox::EntryText(int row) const {
  return WithDescription(itemText(row), itemData(row, kDescriptionRole).toString());
}

int WideListBox::WidestEntry() const {
  const QFontMetrics metrics = view()->fontMetrics();
  int widest = 0;
  for (int row = 0; row < count(); ++row) {
    widest = std::max(widest, metrics.horizontalAdvance(EntryText(row)));
  }
  return widest + kEntryPadding + view()->verticalScrollBar()->sizeHint().width();
}

void WideListBox::showPopup() {
  if (!entriesDescribed_) {
    entriesDescribed_ = true;
    view()->setItemDelegate(new EntryDelegate(view()));
    view()->setTextElideMode(Qt::ElideNone);
  }
  Q_EMIT PopupAboutToShow();
  QComboBox::showPopup();
  QWidget* popup = view()->window();
  if (!popup || popup == window()) return;
  const QScreen* shown = screen();
  const QRect area = shown ? shown->availableGeometry() : QRect();
  int width = std::max(popup->width(), WidestEntry());
  if (area.isValid()) width = std::min(width, area.width());
  if (width == popup->width()) return;
  QRect place = popup->geometry();
  place.setWidth(width);
  // Kept on the screen: a box near its right edge opens its list leftwards.
  if (area.isValid() && place.right() > area.right()) place.moveRight(area.right());
  if (area.isValid() && place.left() < area.left()) place.moveLeft(area.left());
  popup->setGeometry(place);
}

QString WideListBox::ShownShortName() const {
  return shortName_ && !shortName_->isHidden() ? shortName_->text() : QString();
}

void WideListBox::UpdateChosen() {
  const int row = currentIndex();
  const bool chosen = row >= 0 && itemText(row) == currentText();
  const QString description = chosen ? itemData(row, kDescriptionRole).toString() : QString();
  setToolTip(description.isEmpty() ? currentText() : currentText() + '\n' + description);

  QLineEdit* edit = lineEdit();
  if (!edit) return;
  edit->installEventFilter(this);  // once: a second install replaces the first
  const QString shortName = chosen ? itemData(row, kShortNameRole).toString() : QString();
  const bool narrow = edit->fontMetrics().horizontalAdvance(currentText()) >
                      edit->contentsRect().width() - 4;
  const bool show = !shortName.isEmpty() && shortName != currentText() && narrow &&
                    !edit->hasFocus();
  if (!show) {
    if (shortName_) shortName_->hide();
    return;
  }
  if (!shortName_) {
    shortName_ = new QLabel(edit);
    shortName_->setAttribute(Qt::WA_TransparentForMouseEvents);
    shortName_->setAutoFillBackground(true);
    shortName_->setBackgroundRole(QPalette::Base);
    shortName_->setIndent(1);
  }
  shortName_->setGeometry(edit->rect());
  // The number at its end tells devices apart: that part stays.
  shortName_->setText(shortName_->fontMetrics().elidedText(shortName, Qt::ElideLeft,
                                                           edit->width() - 2));
  shortName_->show();
}

bool WideListBox::eventFilter(QObject* watched, QEvent* event) {
  if (watched == lineEdit() &&
      (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut ||
       event->type() == QEvent::Resize)) {
    // Typing shows the whole text; leaving the box shows the short name.
    UpdateChosen();
  }
  return QComboBox::eventFilter(watched, event);
}

void WideListBox::resizeEvent(QResizeEvent* event) {
  QComboBox::resizeEvent(event);
  UpdateChosen();
}

}  // namespace lirosa
