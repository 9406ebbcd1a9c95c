#include "win32/shell/Win32Controls.h"

#include <algorithm>
#include <utility>

#include "win32/shell/WideText.h"

namespace lirosa {

std::wstring WindowTextOf(HWND window) {
  const int length = GetWindowTextLengthW(window);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
  return text;
}

namespace {

bool IsList(ControlKind kind) { return kind == ControlKind::DropDownList; }

bool IsEditable(HWND list) {
  return (GetWindowLongW(list, GWL_STYLE) & 0x3) == CBS_DROPDOWN;
}

std::wstring ItemText(HWND list, int index) {
  const LRESULT length = SendMessageW(list, CB_GETLBTEXTLEN, index, 0);
  if (length == CB_ERR || length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const LRESULT copied = SendMessageW(list, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
  text.resize(copied == CB_ERR ? 0 : static_cast<std::size_t>(copied));
  return text;
}

// The entry whose text is exactly `text`; CB_FINDSTRINGEXACT ignores case.
int FindExact(HWND list, const std::wstring& text) {
  const int count = static_cast<int>(SendMessageW(list, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    if (ItemText(list, i) == text) return i;
  }
  return -1;
}

}  // namespace

const BuiltControl* Win32Controls::Find(int id) const {
  auto found = controls_.find(id);
  if (found == controls_.end() || !found->second.window) return nullptr;
  return &found->second;
}

HWND Win32Controls::Window(int id) const {
  const BuiltControl* control = Find(id);
  return control ? control->window : nullptr;
}

std::string Win32Controls::Text(int id) const {
  const BuiltControl* control = Find(id);
  if (!control) return {};
  const std::wstring shown = WindowTextOf(control->window);
  if (auto raw = raw_.find(id); raw != raw_.end() && raw->second.shown == shown) {
    return raw->second.text;
  }
  return Narrow(shown);
}

void Win32Controls::SetText(int id, const std::string& text) {
  const BuiltControl* control = Find(id);
  if (!control) return;
  QuietScope quiet(quiet_);
  const std::wstring wide = Widen(text);
  raw_.erase(id);
  if (Narrow(wide) != text) raw_[id] = {text, wide};
  if (IsList(control->kind)) {
    // Text put into a list stands for typed text, not for a selection.
    if (IsEditable(control->window)) {
      SendMessageW(control->window, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
      SetWindowTextW(control->window, wide.c_str());
      return;
    }
    SendMessageW(control->window, CB_SETCURSEL, static_cast<WPARAM>(FindExact(control->window, wide)), 0);
    return;
  }
  // Rewriting an unchanged text would throw away the user's caret.
  if (WindowTextOf(control->window) == wide) return;
  SetWindowTextW(control->window, wide.c_str());
  if (fonts_) fonts_->Fit(control->window, control->kind);
}

int Win32Controls::Check(int id) const {
  const BuiltControl* control = Find(id);
  if (!control) return 0;
  switch (control->kind) {
    case ControlKind::CheckBox:
    case ControlKind::ThreeStateCheckBox:
    case ControlKind::RadioButton:
      break;
    case ControlKind::PushButton:
    case ControlKind::OwnerDrawButton:
    case ControlKind::GroupBox:
    case ControlKind::EtchedFrame:
    case ControlKind::Label:
    case ControlKind::Edit:
    case ControlKind::MultiLineEdit:
    case ControlKind::RichEdit:
    case ControlKind::DropDownList:
    case ControlKind::Picture:
      return 0;
  }
  switch (SendMessageW(control->window, BM_GETCHECK, 0, 0)) {
    case BST_CHECKED:
      return 1;
    case BST_INDETERMINATE:
      return 2;
  }
  return 0;
}

void Win32Controls::SetCheck(int id, int state) {
  const BuiltControl* control = Find(id);
  if (!control) return;
  QuietScope quiet(quiet_);
  // An indeterminate state shows even on a two-state box, as the logic
  // asked for it.
  if (state == 2 && control->kind == ControlKind::CheckBox) {
    const LONG style = GetWindowLongW(control->window, GWL_STYLE);
    SetWindowLongW(control->window, GWL_STYLE, (style & ~0xFL) | BS_AUTO3STATE);
  }
  const WPARAM check = state == 1 ? BST_CHECKED : state == 2 ? BST_INDETERMINATE : BST_UNCHECKED;
  SendMessageW(control->window, BM_SETCHECK, check, 0);
}

int Win32Controls::ListIndex(int id) const {
  const BuiltControl* control = Find(id);
  if (!control || !IsList(control->kind)) return -1;
  const LRESULT index = SendMessageW(control->window, CB_GETCURSEL, 0, 0);
  if (index == CB_ERR) return -1;
  // A typed text that is no longer the selected entry's is no selection.
  if (IsEditable(control->window) &&
      ItemText(control->window, static_cast<int>(index)) != WindowTextOf(control->window)) {
    return -1;
  }
  return static_cast<int>(index);
}

void Win32Controls::SetListIndex(int id, int index) {
  const BuiltControl* control = Find(id);
  if (!control || !IsList(control->kind)) return;
  QuietScope quiet(quiet_);
  const int count = static_cast<int>(SendMessageW(control->window, CB_GETCOUNT, 0, 0));
  SendMessageW(control->window, CB_SETCURSEL,
               static_cast<WPARAM>(index >= 0 && index < count ? index : -1), 0);
}

std::vector<ListEntry> Win32Controls::ListEntries(int id) const {
  const BuiltControl* control = Find(id);
  if (!control || !IsList(control->kind)) return {};
  if (auto kept = entries_.find(id); kept != entries_.end()) return kept->second;
  std::vector<ListEntry> entries;
  const int count = static_cast<int>(SendMessageW(control->window, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) entries.push_back({Narrow(ItemText(control->window, i)), {}});
  return entries;
}

void Win32Controls::SetListEntries(int id, const std::vector<ListEntry>& entries) {
  const BuiltControl* control = Find(id);
  if (!control || !IsList(control->kind)) return;
  QuietScope quiet(quiet_);
  HWND list = control->window;
  const std::wstring shown = WindowTextOf(list);
  const bool selected = ListIndex(id) >= 0;
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  SendMessageW(list, CB_RESETCONTENT, 0, 0);
  for (const ListEntry& entry : entries) {
    SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(entry.text).c_str()));
  }
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  entries_[id] = entries;
  // The same entry stays selected if it is still there; typed text stays.
  const int again = selected ? FindExact(list, shown) : -1;
  SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(again), 0);
  if (again < 0 && IsEditable(list)) SetWindowTextW(list, shown.c_str());
  InvalidateRect(list, nullptr, TRUE);
}

void Win32Controls::Enable(int id, bool enabled) {
  if (const BuiltControl* control = Find(id)) EnableWindow(control->window, enabled);
}

bool Win32Controls::IsEnabled(int id) const {
  const BuiltControl* control = Find(id);
  return control && (GetWindowLongW(control->window, GWL_STYLE) & WS_DISABLED) == 0;
}

void Win32Controls::Show(int id, bool visible) {
  if (const BuiltControl* control = Find(id)) {
    ShowWindow(control->window, visible ? SW_SHOWNA : SW_HIDE);
  }
}

bool Win32Controls::IsVisible(int id) const {
  // The control's own state, whether or not the window is shown yet.
  const BuiltControl* control = Find(id);
  return control && (GetWindowLongW(control->window, GWL_STYLE) & WS_VISIBLE) != 0;
}

void Win32Controls::Move(int id, Rect geometry) {
  const BuiltControl* control = Find(id);
  if (!control) return;
  int height = geometry.height;
  // A combo box's window height is its open list's; the logic moves the
  // closed box, so the list keeps the depth it had.
  if (IsList(control->kind)) {
    RECT closed{};
    GetWindowRect(control->window, &closed);
    RECT whole{};
    SendMessageW(control->window, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&whole));
    height = std::max<int>(geometry.height, whole.bottom - whole.top);
  }
  MoveWindow(control->window, geometry.x, geometry.y, geometry.width, height, TRUE);
  if (fonts_) fonts_->Fit(control->window, control->kind);
}

Rect Win32Controls::Geometry(int id) const {
  const BuiltControl* control = Find(id);
  if (!control) return {};
  RECT r{};
  GetWindowRect(control->window, &r);
  MapWindowPoints(HWND_DESKTOP, GetParent(control->window), reinterpret_cast<POINT*>(&r), 2);
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

}  // namespace lirosa
