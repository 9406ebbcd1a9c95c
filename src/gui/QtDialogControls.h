#pragma once

#include <QHash>
#include <QMetaObject>
#include <QPointer>
#include <QString>
#include <QTextDocument>
#include <memory>

#include "app/DialogControls.h"
#include "gui/RefreshGate.h"
#include "gui/TemplateBuilder.h"

class QLineEdit;

namespace lirosa {
class CounterEdit;
}
class QPlainTextEdit;

namespace lirosa {

// The window's controls as built from its template, by id.
//
// Single-line edits, multi-line edits (line breaks CR LF to the logic, Qt's
// own inside), button and label captions, drop-down lists and their typed
// text. Nothing done here reaches the window logic as a notification: the
// window forwards only the signals that come from the user (clicked,
// activated).
//
// The logic reads every bound control a hundred times a second, so a read
// is kept cheap: each control's kind is found once, and each text control
// keeps its last reading, valid while the widget's text is the one it was
// made from.
//
// The four counter edits change with every poll that brings bytes; each is
// redrawn only when its text changed, at most once per screen refresh
// (RefreshGate), without laying a new text out (CounterEdit). Reading one
// gives the text last set, shown yet or not.
class QtDialogControls final : public DialogControls {
 public:
  explicit QtDialogControls(ControlMap controls);
  ~QtDialogControls() override;
  QtDialogControls(const QtDialogControls&) = delete;
  QtDialogControls& operator=(const QtDialogControls&) = delete;

  std::string Text(int id) const override;
  void SetText(int id, const std::string& text) override;
  int Check(int id) const override;
  void SetCheck(int id, int state) override;
  int ListIndex(int id) const override;
  void SetListIndex(int id, int index) override;
  std::vector<ListEntry> ListEntries(int id) const override;
  void SetListEntries(int id, const std::vector<ListEntry>& entries) override;
  void Enable(int id, bool enabled) override;
  bool IsEnabled(int id) const override;
  void Show(int id, bool visible) override;
  bool IsVisible(int id) const override;
  void Move(int id, Rect geometry) override;
  Rect Geometry(int id) const override;

 private:
  enum class Kind { LineEdit, Counter, TextBox, List, CheckBox, Button, Other };

  // A control as the reads see it, with its last Text(). Single-line edits
  // and lists hand out their QString shared, so `source` identifies the
  // text read; a text box builds a new string on every read, so its
  // document's change signal marks the reading stale instead.
  struct Readable {
    QWidget* widget = nullptr;
    Kind kind = Kind::Other;
    QString source;
    std::string text;
    // Bytes set that are not UTF-8 (a request loaded from an older
    // data.log): Qt holds them as U+FFFD, so while the widget still shows
    // exactly what they were shown as, they read back unchanged.
    bool haveRaw = false;
    std::string raw;
    QString rawShown;
    // Text boxes only: the document watched, and the flag it sets.
    QPointer<QTextDocument> document;
    std::shared_ptr<bool> stale;
    QMetaObject::Connection watch;
  };

  QWidget* Find(int id) const { return controls_.value(id, nullptr); }
  Readable* FindReadable(int id) const;
  static const std::string& SharedText(Readable& control, const QString& current);
  static const std::string& BoxText(Readable& control);
  void SetCounter(int id, CounterEdit& edit, const QString& value);
  // Notes `text` as raw bytes when `shown` does not convert back to it.
  void KeepRaw(int id, const std::string& text, const QString& shown, const std::string& back);

  ControlMap controls_;
  mutable QHash<int, Readable> readables_;
  // Counter texts set but not shown yet.
  QHash<int, QString> waitingCounters_;
  RefreshGate counterGate_;
};

}  // namespace lirosa
