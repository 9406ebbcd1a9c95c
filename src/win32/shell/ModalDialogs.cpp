#include "win32/shell/ModalDialogs.h"

#include <commctrl.h>

#include <iterator>

#include "app/ControlIds.h"
#include "app/MonitorDialog.h"
#include "resources/DialogTemplates.h"
#include "shell/LinkRules.h"
#include "win32/shell/LinkLaunch.h"
#include "win32/shell/TemplateWindow.h"
#include "win32/shell/WideText.h"

namespace lirosa {

namespace {

constexpr const wchar_t* kDialogClass = L"LirosaTemplateDialog";
constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
constexpr DWORD kDialogExStyle = WS_EX_DLGMODALFRAME;

// One modal window built from a template. The owner is disabled while it
// runs; its own message loop dispatches everything else, the owner's timer
// ticks included.
class TemplateDialog {
 public:
  TemplateDialog(HWND owner, HFONT font, const DialogTemplate& dialogTemplate)
      : owner_(owner), font_(font), template_(dialogTemplate) {}
  virtual ~TemplateDialog() = default;

  int Run();

 protected:
  virtual void OnInit() {}
  // Handles a control notice; true when it was taken.
  virtual bool OnCommand(int id, int code) = 0;
  virtual std::optional<LRESULT> OnMessage(UINT, WPARAM, LPARAM) { return std::nullopt; }
  void End(int result) {
    result_ = result;
    done_ = true;
  }
  HWND Control(int id) const {
    auto found = controls_.find(id);
    return found == controls_.end() ? nullptr : found->second.window;
  }
  HWND Handle() const { return window_; }
  HFONT Font() const { return font_; }

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static void Register(HINSTANCE instance);

  HWND owner_;
  HFONT font_;
  const DialogTemplate& template_;
  HWND window_ = nullptr;
  ControlWindows controls_;
  bool done_ = false;
  int result_ = IDCANCEL;
};

void TemplateDialog::Register(HINSTANCE instance) {
  static bool registered = false;
  if (registered) return;
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = &TemplateDialog::Proc;
  windowClass.cbWndExtra = DLGWINDOWEXTRA;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kDialogClass;
  registered = RegisterClassExW(&windowClass) != 0;
}

int TemplateDialog::Run() {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  Register(instance);
  const DialogUnits units;
  const SIZE size = WindowSizeFor(template_, units, kDialogStyle, kDialogExStyle);
  RECT ownerRect{};
  GetWindowRect(owner_, &ownerRect);
  const int x = ownerRect.left + (ownerRect.right - ownerRect.left - size.cx) / 2;
  const int y = ownerRect.top + (ownerRect.bottom - ownerRect.top - size.cy) / 2;
  window_ = CreateWindowExW(kDialogExStyle, kDialogClass, Widen(template_.caption).c_str(),
                            kDialogStyle, x, y, size.cx, size.cy, owner_, nullptr, instance, this);
  if (!window_) return IDCANCEL;
  CaptionFonts fonts(font_);
  controls_ = BuildControls(template_, window_, font_, units, &fonts);
  OnInit();
  EnableWindow(owner_, FALSE);
  ShowWindow(window_, SW_SHOW);
  MSG message;
  bool quit = false;
  int quitCode = 0;
  while (!done_) {
    if (GetMessageW(&message, nullptr, 0, 0) <= 0) {
      quit = true;
      quitCode = static_cast<int>(message.wParam);
      break;
    }
    if (IsDialogMessageW(window_, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  // The owner is enabled before the box goes, so that it gets the focus
  // back rather than some other program.
  EnableWindow(owner_, TRUE);
  DestroyWindow(window_);
  window_ = nullptr;
  if (quit) PostQuitMessage(quitCode);
  return result_;
}

LRESULT CALLBACK TemplateDialog::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<TemplateDialog*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self || !self->window_) return DefWindowProcW(window, message, wParam, lParam);
  if (std::optional<LRESULT> handled = self->OnMessage(message, wParam, lParam)) return *handled;
  switch (message) {
    case DM_GETDEFID:
      return MAKELRESULT(IDOK, DC_HASDEFID);
    case WM_COMMAND:
      if (self->OnCommand(LOWORD(wParam), HIWORD(wParam))) return 0;
      if (LOWORD(wParam) == IDCANCEL) self->End(IDCANCEL);
      return 0;
    case WM_CLOSE:
      self->End(IDCANCEL);
      return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return DialogFaceColour(reinterpret_cast<HDC>(wParam));
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

class ChecksumDialog final : public TemplateDialog {
 public:
  ChecksumDialog(HWND owner, HFONT font) : TemplateDialog(owner, font, ChecksumDialogTemplate()) {}
  int Choice() const { return choice_; }

 private:
  void OnInit() override {
    Select(0);
    SetFocus(Control(kChecksumRadioIds[0]));
  }
  void Select(int index) {
    for (int i = 0; i < static_cast<int>(std::size(kChecksumRadioIds)); ++i) {
      SendMessageW(Control(kChecksumRadioIds[i]), BM_SETCHECK, i == index ? BST_CHECKED : BST_UNCHECKED, 0);
    }
  }
  bool OnCommand(int id, int code) override {
    for (int i = 0; i < static_cast<int>(std::size(kChecksumRadioIds)); ++i) {
      if (id == kChecksumRadioIds[i] && code == BN_CLICKED) {
        Select(i);
        return true;
      }
    }
    if (id == kIdOk && code == BN_CLICKED) {
      choice_ = -1;
      for (int i = 0; i < static_cast<int>(std::size(kChecksumRadioIds)); ++i) {
        if (SendMessageW(Control(kChecksumRadioIds[i]), BM_GETCHECK, 0, 0) == BST_CHECKED) choice_ = i;
      }
      End(IDOK);
      return true;
    }
    if (id == kIdCancel) {
      End(IDCANCEL);
      return true;
    }
    return false;
  }
  int choice_ = -1;
};

StaticStyle StyleOf(HWND control) {
  const LONG style = GetWindowLongW(control, GWL_STYLE);
  StaticStyle fit;
  switch (style & SS_TYPEMASK) {
    case SS_CENTER:
      fit.align = TextAlign::Centre;
      break;
    case SS_RIGHT:
      fit.align = TextAlign::Right;
      break;
    default:
      fit.align = TextAlign::Left;
      break;
  }
  fit.centreVertically = (style & SS_CENTERIMAGE) != 0;
  return fit;
}

class AboutDialog final : public TemplateDialog {
 public:
  AboutDialog(HWND owner, HFONT font) : TemplateDialog(owner, font, AboutDialogTemplate()) {}
  ~AboutDialog() override {
    if (linkFont_) DeleteObject(linkFont_);
  }

 private:
  void OnInit() override {
    SetFocus(Control(kIdOk));
    HWND link = Control(kIdAboutLink);
    if (!link) return;
    address_ = WindowTextOf(link);
    if (address_.empty()) {
      address_ = Widen(kAboutLinkAddress);
      SetWindowTextW(link, address_.c_str());
    }
    LOGFONTW description{};
    GetObjectW(Font(), sizeof description, &description);
    description.lfUnderline = TRUE;
    linkFont_ = CreateFontIndirectW(&description);
    SendMessageW(link, WM_SETFONT, reinterpret_cast<WPARAM>(linkFont_), TRUE);
    FitLinkToText(link);
    SetWindowSubclass(link, &AboutDialog::LinkProc, 1, reinterpret_cast<DWORD_PTR>(this));
    AddTooltip(link);
  }

  // The address, shown while the pointer rests on the link.
  void AddTooltip(HWND link) {
    HWND tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Handle(),
                               nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!tip) return;
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_SUBCLASS;
    tool.hwnd = link;
    tool.uId = 1;
    GetClientRect(link, &tool.rect);
    tool.lpszText = address_.data();
    SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }

  void FitLinkToText(HWND link) {
    RECT r{};
    GetWindowRect(link, &r);
    MapWindowPoints(HWND_DESKTOP, Handle(), reinterpret_cast<POINT*>(&r), 2);
    HDC dc = GetDC(link);
    HGDIOBJ old = SelectObject(dc, linkFont_);
    SIZE extent{};
    GetTextExtentPoint32W(dc, address_.c_str(), static_cast<int>(address_.size()), &extent);
    SelectObject(dc, old);
    ReleaseDC(link, dc);
    const Rect fitted = FitToText({r.left, r.top, r.right - r.left, r.bottom - r.top}, extent.cx,
                                  extent.cy, StyleOf(link));
    SetWindowPos(link, nullptr, fitted.x, fitted.y, fitted.width, fitted.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }

  static LRESULT CALLBACK LinkProc(HWND link, UINT message, WPARAM wParam, LPARAM lParam,
                                   UINT_PTR, DWORD_PTR data) {
    auto* self = reinterpret_cast<AboutDialog*>(data);
    switch (message) {
      case WM_MOUSEMOVE:
        if (!self->over_) {
          self->over_ = true;
          TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, link, 0};
          TrackMouseEvent(&track);
          RedrawWindow(link, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        }
        break;
      case WM_MOUSELEAVE:
        self->over_ = false;
        RedrawWindow(link, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        break;
      case WM_SETCURSOR:
        SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND)));
        return TRUE;
      case WM_NCDESTROY:
        RemoveWindowSubclass(link, &AboutDialog::LinkProc, 1);
        break;
    }
    return DefSubclassProc(link, message, wParam, lParam);
  }

  std::optional<LRESULT> OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message != WM_CTLCOLORSTATIC || reinterpret_cast<HWND>(lParam) != Control(kIdAboutLink)) {
      return std::nullopt;
    }
    const Colour colour = HoverLinkColour(over_, visited_);
    HDC dc = reinterpret_cast<HDC>(wParam);
    SetTextColor(dc, RGB(colour.red, colour.green, colour.blue));
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
  }

  bool OnCommand(int id, int code) override {
    if (id == kIdAboutLink && code == STN_CLICKED) {
      const int result = OpenWithHandlerFallback(Narrow(address_), SW_SHOW);
      if (LinkOpened(result)) {
        visited_ = true;
        InvalidateRect(Control(kIdAboutLink), nullptr, TRUE);
        return true;
      }
      MessageBeep(MB_ICONEXCLAMATION);
      MessageBoxW(Handle(), Widen(LinkErrorMessage(result)).c_str(), Widen(kAppTitle).c_str(),
                  MB_OK | MB_ICONEXCLAMATION);
      return true;
    }
    if (id == kIdOk || id == IDCANCEL) {
      End(id);
      return true;
    }
    return false;
  }

  std::wstring address_;
  HFONT linkFont_ = nullptr;
  bool over_ = false;
  bool visited_ = false;
};

}  // namespace

std::optional<ChecksumKind> RunChecksumDialog(HWND owner, HFONT font) {
  ChecksumDialog dialog(owner, font);
  if (dialog.Run() != IDOK || dialog.Choice() < 0) return std::nullopt;
  return static_cast<ChecksumKind>(dialog.Choice());
}

void RunAboutDialog(HWND owner, HFONT font) {
  AboutDialog dialog(owner, font);
  dialog.Run();
}

}  // namespace lirosa
