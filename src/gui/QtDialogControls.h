#pragma once

#include "app/DialogControls.h"
#include "gui/TemplateBuilder.h"

namespace lirosa {

// The window's controls as built from its template, by id.
//
// Single-line edits, multi-line edits (line breaks CR LF to the logic, Qt's
// own inside), button and label captions, drop-down lists and their typed
// text. Nothing done here reaches the window logic as a notification: the
// window forwards only the signals that come from the user (clicked,
// activated).
class QtDialogControls final : public DialogControls {
 public:
  explicit QtDialogControls(ControlMap controls);

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
  QWidget* Find(int id) const { return controls_.value(id, nullptr); }

  ControlMap controls_;
};

}  // namespace lirosa
