#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "app/DialogControls.h"
#include "resources/DialogTemplates.h"
#include "win32/shell/CaptionFonts.h"

namespace lirosa {

// The numbered controls of one window built from a template.
struct BuiltControl {
  HWND window = nullptr;
  ControlKind kind = ControlKind::Label;
};
using ControlWindows = std::map<int, BuiltControl>;

// DialogControls over real Win32 controls.
//
// Changes made through this interface raise no notification into the
// window logic: while one is under way Quiet() is true, and the window
// drops the WM_COMMAND notices the controls send meanwhile.
class Win32Controls final : public DialogControls {
 public:
  // `fonts` fits each caption the logic sets or moves into its control.
  Win32Controls(ControlWindows controls, CaptionFonts* fonts = nullptr)
      : controls_(std::move(controls)), fonts_(fonts) {}

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

  bool Quiet() const { return quiet_ > 0; }
  HWND Window(int id) const;
  const ControlWindows& Windows() const { return controls_; }

 private:
  struct QuietScope {
    explicit QuietScope(int& depth) : depth_(depth) { ++depth_; }
    ~QuietScope() { --depth_; }
    int& depth_;
  };
  // A text set by the logic that does not survive the round trip through
  // UTF-16 (bytes that are not UTF-8): read back unchanged while the
  // control still shows what it was given.
  struct RawText {
    std::string text;
    std::wstring shown;
  };
  const BuiltControl* Find(int id) const;

  ControlWindows controls_;
  CaptionFonts* fonts_;
  std::map<int, std::vector<ListEntry>> entries_;
  std::map<int, RawText> raw_;
  int quiet_ = 0;
};

// The whole text of a window, wide.
std::wstring WindowTextOf(HWND window);

}  // namespace lirosa
