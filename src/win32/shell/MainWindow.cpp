#include "win32/shell/MainWindow.h"

#include <commctrl.h>
#include <richedit.h>
#include <windowsx.h>

#include <algorithm>

#include "app/ControlIds.h"
#include "app/MonitorDialog.h"
#include "shell/LampModel.h"
#include "shell/LinkRules.h"
#include "win32/shell/LampGdi.h"
#include "win32/shell/LinkLaunch.h"
#include "win32/shell/TemplateWindow.h"
#include "win32/shell/WideText.h"

namespace lirosa {

namespace {

constexpr const wchar_t* kWindowClass = L"LirosaMainWindow";
// The frame is fixed in the normal state; maximizing is allowed.
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX |
                               WS_MAXIMIZEBOX;
constexpr int kPictureId = 148;
constexpr const wchar_t* kAboutItem = L"О программе.";
constexpr const wchar_t* kCopyItem = L"复制\tCtrl+C";
constexpr const wchar_t* kSelectAllItem = L"全选\tCtrl+A";
constexpr UINT kCopyCommand = 1;
constexpr UINT kSelectAllCommand = 2;
constexpr UINT kAboutCommand = 3;
constexpr UINT_PTR kDisplaySubclass = 1;

// The traffic display's End (without Shift) goes to the end of the text,
// where the view follows the records again, not to the end of a line.
LRESULT CALLBACK DisplayKeys(HWND display, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                             DWORD_PTR) {
  if (message == WM_KEYDOWN && wParam == VK_END && GetKeyState(VK_SHIFT) >= 0) {
    CHARRANGE end{-1, -1};
    SendMessageW(display, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&end));
    SendMessageW(display, EM_SCROLLCARET, 0, 0);
    return 0;
  }
  if (message == WM_NCDESTROY) RemoveWindowSubclass(display, &DisplayKeys, kDisplaySubclass);
  return DefSubclassProc(display, message, wParam, lParam);
}

bool IsPictureLink(int id) {
  return id == kIdLink1100 || id == kIdLink1101 || id == kIdLink1102 || id == kIdLink1103;
}

SizeKind SizeKindOf(WPARAM type) {
  switch (type) {
    case SIZE_RESTORED:
      return SizeKind::Restored;
    case SIZE_MINIMIZED:
      return SizeKind::Minimized;
    case SIZE_MAXIMIZED:
      return SizeKind::Maximized;
  }
  return SizeKind::Other;
}

}  // namespace

bool MainWindow::ControlSink::AtBottom() {
  // Where the end of the text is drawn, not the scroll bar: the bar is not
  // always brought up to date when the text is replaced as a whole.
  GETTEXTLENGTHEX query{GTL_NUMCHARS | GTL_PRECISE, 1200};
  const LRESULT length = SendMessageW(control_, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&query), 0);
  POINTL end{};
  SendMessageW(control_, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&end), length);
  RECT shown{};
  SendMessageW(control_, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&shown));
  return end.y >= shown.top && end.y < shown.bottom;
}

MainWindow::~MainWindow() {
  if (window_) DestroyWindow(window_);
  if (picture_) DeleteObject(picture_);
  if (font_) DeleteObject(font_);
}

bool MainWindow::Create(HINSTANCE instance) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = &MainWindow::Proc;
  windowClass.cbWndExtra = DLGWINDOWEXTRA;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
  windowClass.hIconSm = windowClass.hIcon;
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kWindowClass;
  if (!RegisterClassExW(&windowClass)) return false;

  const DialogTemplate& main = MainDialogTemplate();
  const DialogUnits units;
  const SIZE size = WindowSizeFor(main, units, kWindowStyle, 0);
  window_ = CreateWindowExW(0, kWindowClass, Widen(main.caption).c_str(), kWindowStyle,
                            CW_USEDEFAULT, CW_USEDEFAULT, size.cx, size.cy, nullptr, nullptr,
                            instance, this);
  if (!window_) return false;
  font_ = CreateDialogFont();
  SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  captionFonts_ = std::make_unique<CaptionFonts>(font_);
  controls_ = std::make_unique<Win32Controls>(
      BuildControls(main, window_, font_, units, captionFonts_.get()), captionFonts_.get());
  HWND display = controls_->Window(kIdTrafficView);
  if (!display) return false;
  trafficSink_ = std::make_unique<ControlSink>(display);
  traffic_ = std::make_unique<RichEditView>(*trafficSink_);
  SetWindowSubclass(display, &DisplayKeys, kDisplaySubclass, 0);
  SetUpPictures();
  SetUpLamps();
  AddAboutItem();
  return true;
}

void MainWindow::AddAboutItem() {
  HMENU menu = GetSystemMenu(window_, FALSE);
  if (!menu) return;
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu, MF_STRING, kSysCommandAbout, kAboutItem);
}

void MainWindow::ShowTrafficMenu(HWND display, LPARAM where) {
  POINT at{GET_X_LPARAM(where), GET_Y_LPARAM(where)};
  if (where == -1) {
    // From the keyboard: at the caret.
    GetCaretPos(&at);
    ClientToScreen(display, &at);
  }
  CHARRANGE selection{};
  SendMessageW(display, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
  HMENU menu = CreatePopupMenu();
  if (!menu) return;
  AppendMenuW(menu, MF_STRING | (selection.cpMin == selection.cpMax ? MF_GRAYED : 0), kCopyCommand,
              kCopyItem);
  AppendMenuW(menu, MF_STRING, kSelectAllCommand, kSelectAllItem);
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu, MF_STRING, kAboutCommand, kAboutItem);
  const UINT chosen = static_cast<UINT>(TrackPopupMenu(
      menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, 0, window_, nullptr));
  DestroyMenu(menu);
  switch (chosen) {
    case kCopyCommand:
      SendMessageW(display, WM_COPY, 0, 0);
      return;
    case kSelectAllCommand: {
      CHARRANGE all{0, -1};
      SendMessageW(display, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&all));
      return;
    }
    case kAboutCommand:
      if (MonitorDialog* logic = Logic()) logic->OnSysCommand(kSysCommandAbout);
      return;
  }
}

void MainWindow::SetUpPictures() {
  HWND picture = controls_->Window(kIdLink1102);
  if (!picture) return;
  RECT place{};
  GetClientRect(picture, &place);
  // Bitmap 148 is larger than its place: shown whole, scaled down, rather
  // than as a cut-off corner.
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  HBITMAP full = static_cast<HBITMAP>(LoadImageW(instance, MAKEINTRESOURCEW(kPictureId),
                                                 IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (!full) return;
  BITMAP info{};
  GetObjectW(full, sizeof info, &info);
  DeleteObject(full);
  if (info.bmWidth <= 0 || info.bmHeight <= 0) return;
  const double scale = std::min(static_cast<double>(place.right) / info.bmWidth,
                                static_cast<double>(place.bottom) / abs(info.bmHeight));
  const int width = std::max(1, static_cast<int>(info.bmWidth * scale));
  const int height = std::max(1, static_cast<int>(abs(info.bmHeight) * scale));
  picture_ = static_cast<HBITMAP>(LoadImageW(instance, MAKEINTRESOURCEW(kPictureId), IMAGE_BITMAP,
                                             width, height, LR_CREATEDIBSECTION));
  if (picture_) SendMessageW(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture_));
  // STM_SETIMAGE may size the control to the bitmap; it keeps its place.
  SetWindowPos(picture, nullptr, 0, 0, place.right, place.bottom,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::SetUpLamps() {
  // The lamps draw themselves from the last frame (owner-drawn statics); the
  // image keeps its own size from the control's corner where the template
  // made the control smaller.
  for (int id : {kIdStateLamp, kIdTrafficLamps}) {
    HWND lamp = controls_->Window(id);
    if (!lamp) continue;
    const LampImage image = id == kIdStateLamp ? StateLampRecipe(false) : TrafficLampRecipe(false, false);
    const LONG style = GetWindowLongW(lamp, GWL_STYLE);
    SetWindowLongW(lamp, GWL_STYLE, (style & ~(SS_TYPEMASK | SS_CENTERIMAGE)) | SS_OWNERDRAW);
    RECT r{};
    GetClientRect(lamp, &r);
    SetWindowPos(lamp, nullptr, 0, 0, std::max<int>(r.right, image.width),
                 std::max<int>(r.bottom, image.height), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

int MainWindow::Run() {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    // Tab, arrows and mnemonics as in a dialog; Enter and Esc come back as
    // IDOK and IDCANCEL.
    if (!ended_ && IsDialogMessageW(window_, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

void MainWindow::End() {
  if (ended_) return;
  ended_ = true;
  KillTimer(window_, kLineTimerId);
  KillTimer(window_, kLampTimerId);
  ShowWindow(window_, SW_HIDE);
  PostQuitMessage(0);
}

void MainWindow::SetPinned(bool pinned) {
  if (pinned_ == pinned) return;
  pinned_ = pinned;
  if (HWND button = controls_->Window(kIdStayOnTop)) InvalidateRect(button, nullptr, TRUE);
}

void MainWindow::RepaintStayOnTop() {
  HWND button = controls_->Window(kIdStayOnTop);
  if (!button) return;
  InvalidateRect(button, nullptr, TRUE);
  UpdateWindow(button);
}

void MainWindow::ShowLamps(const LampFrame& frame) {
  lamps_ = frame;
  for (int id : {kIdStateLamp, kIdTrafficLamps}) {
    HWND lamp = controls_->Window(id);
    if (!lamp || !IsWindowVisible(lamp)) continue;
    HDC dc = GetDC(lamp);
    PaintLamp(id, dc);
    ReleaseDC(lamp, dc);
  }
}

void MainWindow::PaintLamp(int id, HDC dc) {
  if (id == kIdStateLamp) {
    PaintLampImage(dc, 0, 0, StateLampRecipe(lamps_.portOpen));
    return;
  }
  PaintLampImage(dc, 0, 0, TrafficLampRecipe(lamps_.txLit, lamps_.rxLit));
}

void MainWindow::DrawStayOnTop(const DRAWITEMSTRUCT& item) {
  const bool down = (item.itemState & ODS_SELECTED) != 0;
  RECT frame = item.rcItem;
  DrawFrameControl(item.hDC, &frame, DFC_BUTTON, DFCS_BUTTONPUSH | (down ? DFCS_PUSHED : 0));
  RECT face = item.rcItem;
  if (down) OffsetRect(&face, 1, 1);
  HBRUSH fill = CreateSolidBrush(pinned_ ? RGB(255, 0, 0) : RGB(0, 255, 0));
  HGDIOBJ oldBrush = SelectObject(item.hDC, fill);
  HGDIOBJ oldPen = SelectObject(item.hDC, GetStockObject(BLACK_PEN));
  Rectangle(item.hDC, face.left, face.top, face.right - 1, face.bottom - 1);
  SelectObject(item.hDC, oldPen);
  SelectObject(item.hDC, oldBrush);
  DeleteObject(fill);
  SetBkMode(item.hDC, TRANSPARENT);
  SetTextColor(item.hDC, RGB(5, 3, 2));
  HGDIOBJ oldFont = SelectObject(item.hDC, font_);
  RECT text{face.left + 2, face.top + 2, face.right, face.bottom};
  DrawTextW(item.hDC, pinned_ ? L"定" : L"活", 1, &text, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOCLIP);
  SelectObject(item.hDC, oldFont);
  if (item.itemState & ODS_FOCUS) DrawFocusRect(item.hDC, &item.rcItem);
}

void MainWindow::DrawItem(const DRAWITEMSTRUCT& item) {
  const int id = static_cast<int>(item.CtlID);
  if (id == kIdStayOnTop) {
    DrawStayOnTop(item);
    return;
  }
  if (id == kIdStateLamp || id == kIdTrafficLamps) {
    HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
    FillRect(item.hDC, &item.rcItem, face);
    PaintLamp(id, item.hDC);
  }
}

int MainWindow::KindOf(int id) const {
  auto found = controls_->Windows().find(id);
  return found == controls_->Windows().end() ? -1 : static_cast<int>(found->second.kind);
}

void MainWindow::Forward(int id, bool clicked) {
  if (MonitorDialog* logic = Logic()) {
    logic->OnCommand(id, clicked ? Notification::Clicked : Notification::SelectionChanged);
  }
}

void MainWindow::PostSelection(int id) {
  // The edit of an editable list takes the entry's text only after the
  // notice; and a choice made in the open list is told by its close-up as
  // well as by a selection change: it reaches the logic once.
  if (!selectionPosted_.insert(id).second) return;
  PostMessageW(window_, kSelectionMessage, static_cast<WPARAM>(id), 0);
}

void MainWindow::OnEnter() {
  MonitorDialog* logic = Logic();
  if (!logic) return;
  // Enter in a list's typed text applies it (the port box also opens the
  // typed port); it is not the dialog's OK and never ends the window.
  HWND focus = GetFocus();
  for (int id : {kIdPortList, kIdBaudList}) {
    HWND list = controls_->Window(id);
    if (!list || (focus != list && GetParent(focus) != list)) continue;
    typed_.erase(id);
    if (id == kIdPortList) {
      logic->OnPortNameEntered();
    } else {
      Forward(id, false);
    }
    return;
  }
}

void MainWindow::OnControl(int id, int code, HWND control) {
  MonitorDialog* logic = Logic();
  if (!logic || controls_->Quiet()) return;
  const int kind = KindOf(id);
  if (kind < 0) return;
  switch (static_cast<ControlKind>(kind)) {
    case ControlKind::PushButton:
    case ControlKind::OwnerDrawButton:
    case ControlKind::CheckBox:
    case ControlKind::ThreeStateCheckBox:
      if (code == BN_CLICKED) Forward(id, true);
      return;
    case ControlKind::RadioButton:
      // The logic clears the partners; the radio clicked checks itself.
      if (code != BN_CLICKED) return;
      SendMessageW(control, BM_SETCHECK, BST_CHECKED, 0);
      Forward(id, true);
      return;
    case ControlKind::DropDownList:
      switch (code) {
        case CBN_DROPDOWN:
          if (id == kIdPortList) logic->RefreshPortList();
          openedAt_[id] = static_cast<int>(SendMessageW(control, CB_GETCURSEL, 0, 0));
          return;
        case CBN_SELCHANGE:
          // Moving through the open list is not a choice yet.
          if (SendMessageW(control, CB_GETDROPPEDSTATE, 0, 0)) return;
          typed_.erase(id);
          PostSelection(id);
          return;
        case CBN_CLOSEUP: {
          const int now = static_cast<int>(SendMessageW(control, CB_GETCURSEL, 0, 0));
          auto opened = openedAt_.find(id);
          const bool changed = opened == openedAt_.end() || opened->second != now;
          openedAt_.erase(id);
          if (!changed || now < 0) return;
          typed_.erase(id);
          PostSelection(id);
          return;
        }
        case CBN_EDITCHANGE:
          typed_.insert(id);
          logic->Wake();
          return;
        case CBN_KILLFOCUS:
          // A typed value takes effect when the box is left too, if changed.
          if (typed_.erase(id)) Forward(id, false);
          return;
      }
      return;
    case ControlKind::Edit:
    case ControlKind::MultiLineEdit:
      if (code == EN_CHANGE) logic->Wake();
      return;
    case ControlKind::Picture:
      if (code != STN_CLICKED || !IsPictureLink(id)) return;
      // A picture link shows nothing when opened; a failure only beeps.
      if (!LinkOpened(ShellOpen(PictureLinkAddress(id), SW_SHOWNORMAL))) MessageBeep(0);
      return;
    case ControlKind::RichEdit:
    case ControlKind::GroupBox:
    case ControlKind::EtchedFrame:
    case ControlKind::Label:
      return;
  }
}

LRESULT CALLBACK MainWindow::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self || !self->controls_) return DefWindowProcW(window, message, wParam, lParam);
  return self->Handle(message, wParam, lParam);
}

LRESULT MainWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  MonitorDialog* logic = Logic();
  switch (message) {
    case WM_TIMER:
      if (ticks_ && logic) ticks_->Ticked(static_cast<int>(wParam));
      return 0;
    case kWakeMessage:
      if (logic) logic->Wake();
      return 0;
    case kShowMessagesMessage:
      if (logic) logic->ShowPendingMessages();
      return 0;
    case kSelectionMessage:
      selectionPosted_.erase(static_cast<int>(wParam));
      Forward(static_cast<int>(wParam), false);
      return 0;
    case DM_GETDEFID:
      // No default button: Enter belongs to the window logic.
      return 0;
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      const int code = HIWORD(wParam);
      HWND control = reinterpret_cast<HWND>(lParam);
      if (control) {
        OnControl(id, code, control);
        return 0;
      }
      if (id == IDOK) OnEnter();
      if (id == IDCANCEL && logic) logic->OnCancel();
      return 0;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return DialogFaceColour(reinterpret_cast<HDC>(wParam));
    case WM_DRAWITEM:
      DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_SETCURSOR: {
      const int id = GetDlgCtrlID(reinterpret_cast<HWND>(wParam));
      if (IsPictureLink(id)) {
        SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND)));
        return TRUE;
      }
      break;
    }
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == kSysCommandAbout) {
        if (logic) logic->OnSysCommand(kSysCommandAbout);
        return 0;
      }
      break;
    case WM_CONTEXTMENU: {
      HWND display = controls_->Window(kIdTrafficView);
      if (display && reinterpret_cast<HWND>(wParam) == display) {
        ShowTrafficMenu(display, lParam);
        return 0;
      }
      break;
    }
    case WM_HELP:
      if (logic) logic->OnSysCommand(kSysCommandAbout);
      return TRUE;
    case WM_SIZE:
      if (!logic) return 0;
      logic->OnSize(SizeKindOf(wParam), LOWORD(lParam), HIWORD(lParam));
      // The layout moves many controls at once: one full repaint, so that
      // no frame or caption is left where a control was.
      if (wParam != SIZE_MINIMIZED) {
        RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
      }
      return 0;
    case WM_CLOSE:
      // The logic closes the port, saves and ends the window through End().
      if (logic) {
        logic->OnClose();
        return 0;
      }
      if (ended_) return 0;
      break;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      // The session ends: close and save without any box.
      if (wParam && logic) logic->OnTerminate();
      return 0;
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}

}  // namespace lirosa
