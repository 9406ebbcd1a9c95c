#pragma once

#include <QComboBox>

class QLabel;

namespace lirosa {

// A drop-down list whose box keeps its template width while its open list
// grows to its widest entry (up to the screen's width). Each entry shows its
// text and its description; the box's tooltip shows both for the chosen
// one. Where the box is too narrow for a chosen entry's text, the entry's
// short name (a device's kernel name) is shown over it until the box takes
// the focus for typing. The text read and written stays the entry's text.
class WideListBox final : public QComboBox {
  Q_OBJECT

 public:
  // Item data roles: the description is the entry's tooltip.
  static constexpr int kDescriptionRole = Qt::ToolTipRole;
  static constexpr int kShortNameRole = Qt::UserRole + 1;

  explicit WideListBox(QWidget* parent = nullptr);

  void showPopup() override;
  // The width the open list takes for its widest entry, screen aside.
  int WidestEntry() const;
  // The text of entry `row` as the open list shows it.
  QString EntryText(int row) const;
  // The short name shown over the box, or empty when none is.
  QString ShownShortName() const;

 Q_SIGNALS:
  // Before the list opens, so that its owner can bring it up to date.
  void PopupAboutToShow();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void UpdateChosen();

  QLabel* shortName_ = nullptr;
  bool entriesDescribed_ = false;  // the list's delegate is installed
};

}  // namespace lirosa
