#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <set>

#include "app/WindowHost.h"
#include "win32/shell/RichEditView.h"
#include "win32/shell/Win32Controls.h"

namespace lirosa {

class MonitorDialog;

// Private messages of the main window.
inline constexpr UINT kWakeMessage = WM_APP + 1;
inline constexpr UINT kShowMessagesMessage = WM_APP + 2;
inline constexpr UINT kSelectionMessage = WM_APP + 3;

// What the window's timer messages are handed to.
class TickSink {
 public:
  virtual ~TickSink() = default;
  virtual void Ticked(int timerId) = 0;
};

// The main window (template 102) as a plain Win32 window: builds its
// controls and hands every user event to the window logic, which it does
// not otherwise interpret.
//
// Clicks arrive as Clicked, a choice in a drop-down list as
// SelectionChanged (once the list has closed, with the list's text already
// updated), a typed value in an editable list as SelectionChanged on Enter
// or when the box is left, Enter in the port list's typed text as
// OnPortNameEntered. Enter anywhere else never ends the window; Esc is
// OnCancel, the title-bar close OnClose, the system menu's "О программе."
// (and F1) OnSysCommand(16), the end of the user's session OnTerminate.
class MainWindow {
 public:
  MainWindow() = default;
  ~MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Creates the window, hidden, with all its controls; false on failure.
  bool Create(HINSTANCE instance);
  HWND Handle() const { return window_; }
  HFONT Font() const { return font_; }
  Win32Controls& Controls() { return *controls_; }
  TrafficView& Traffic() { return *traffic_; }

  void Attach(MonitorDialog* logic) { logic_ = logic; }
  MonitorDialog* Logic() const { return ended_ ? nullptr : logic_; }
  void SetTickSink(TickSink* ticks) { ticks_ = ticks; }

  // The message loop; returns the program's exit code.
  int Run();
  // Ends the window for good: no event reaches the logic any more and the
  // message loop ends.
  void End();
  bool HasEnded() const { return ended_; }

  void SetPinned(bool pinned);
  bool Pinned() const { return pinned_; }
  void RepaintStayOnTop();
  void ShowLamps(const LampFrame& frame);

 private:
  class ControlSink final : public MessageSink {
   public:
    explicit ControlSink(HWND control) : control_(control) {}
    std::intptr_t Send(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override {
      return SendMessageW(control_, message, wParam, lParam);
    }
    bool AtBottom() override;
    void Repaint() override { InvalidateRect(control_, nullptr, TRUE); }

   private:
    HWND control_;
  };

  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void OnControl(int id, int code, HWND control);
  void OnEnter();
  void PostSelection(int id);
  void Forward(int id, bool clicked);
  void DrawItem(const DRAWITEMSTRUCT& item);
  void DrawStayOnTop(const DRAWITEMSTRUCT& item);
  void PaintLamp(int id, HDC dc);
  void SetUpPictures();
  void SetUpLamps();
  void AddAboutItem();
  void ShowTrafficMenu(HWND display, LPARAM where);
  int KindOf(int id) const;

  HWND window_ = nullptr;
  HFONT font_ = nullptr;
  HBITMAP picture_ = nullptr;
  std::unique_ptr<CaptionFonts> captionFonts_;
  std::unique_ptr<Win32Controls> controls_;
  std::unique_ptr<ControlSink> trafficSink_;
  std::unique_ptr<RichEditView> traffic_;
  MonitorDialog* logic_ = nullptr;
  TickSink* ticks_ = nullptr;
  bool ended_ = false;
  bool pinned_ = false;
  LampFrame lamps_;
  // Lists whose typed text changed since it was last applied.
  std::set<int> typed_;
  // The selection a list had when it opened, to tell a choice at close-up.
  std::map<int, int> openedAt_;
  // Lists whose choice is on its way to the logic.
  std::set<int> selectionPosted_;
};

}  // namespace lirosa
