// The pieces of the Win32 shell that need no window: how template controls
// become Win32 controls, dialog units, text conversion, the rich edit
// append sequence, the link handler's command line and the file filter.
#include <windows.h>

#include <richedit.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/ControlIds.h"
#include "win32/shell/ControlRecipe.h"
#include "win32/shell/LinkLaunch.h"
#include "win32/shell/RichEditView.h"
#include "win32/shell/WideText.h"
#include "win32/shell/Win32Prompts.h"

namespace lirosa {
namespace {

TEST(DialogUnitsTest, TemplateFontGivesOneAndAHalfPixelsPerUnitWithEdgesRounded) {
  const DialogUnits units;
  EXPECT_EQ(units.X(526), 789);
  EXPECT_EQ(units.Y(325), 488);
  // A 1-unit-wide control at an odd unit: its edges, not its size, are
  // rounded, so neighbours still meet.
  const Rect r = units.ToPixels(3, 3, 1, 1);
  EXPECT_EQ(r.x + r.width, units.X(4));
  EXPECT_EQ(r.y + r.height, units.Y(4));
  // The platform's measure of a font: 52 letters 312 px wide, 12 px high.
  const DialogUnits measured = DialogUnitsOf(312, 12);
  EXPECT_EQ(measured.baseX, 6);
  EXPECT_EQ(measured.baseY, 12);
  EXPECT_EQ(DialogUnitsOf(340, 13).baseX, 7);  // 6.54 rounds up
}

struct RecipeRow {
  const char* name;
  ControlKind kind;
  unsigned style;
  const wchar_t* className;
  unsigned long mustHave;
  unsigned long typeMask;  // the style's type bits must equal mustHave's here
};

class RecipeTest : public ::testing::TestWithParam<RecipeRow> {};

TEST_P(RecipeTest, ClassAndStyleBits) {
  const RecipeRow& row = GetParam();
  ControlTemplate control;
  control.id = 1234;
  control.kind = row.kind;
  control.style = row.style;
  control.width = 40;
  control.height = 12;
  const ControlRecipe recipe = RecipeFor(control, DialogUnits{});
  EXPECT_EQ(recipe.className, row.className);
  EXPECT_EQ(recipe.style & row.mustHave, row.mustHave);
  if (row.typeMask) {
    EXPECT_EQ(recipe.style & row.typeMask, row.mustHave & row.typeMask);
  }
  EXPECT_TRUE(recipe.style & WS_CHILD);
  EXPECT_EQ((recipe.style & WS_VISIBLE) != 0, !(row.style & kStyleHidden));
  EXPECT_EQ((recipe.style & WS_DISABLED) != 0, (row.style & kStyleDisabled) != 0);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, RecipeTest,
    ::testing::Values(
        RecipeRow{"Push", ControlKind::PushButton, kStyleNone, L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, 0xF},
        RecipeRow{"DefaultPush", ControlKind::PushButton, kStyleDefaultButton, L"BUTTON", BS_DEFPUSHBUTTON, 0xF},
        RecipeRow{"OwnerDraw", ControlKind::OwnerDrawButton, kStyleNone, L"BUTTON", BS_OWNERDRAW, 0xF},
        RecipeRow{"Check", ControlKind::CheckBox, kStyleNone, L"BUTTON", BS_AUTOCHECKBOX, 0xF},
        RecipeRow{"ThreeState", ControlKind::ThreeStateCheckBox, kStyleNone, L"BUTTON", BS_AUTO3STATE, 0xF},
        // The logic clears a radio's partners: never an automatic radio.
        RecipeRow{"Radio", ControlKind::RadioButton, kStyleNone, L"BUTTON", BS_RADIOBUTTON, 0xF},
        RecipeRow{"FirstRadio", ControlKind::RadioButton, kStyleGroupStart, L"BUTTON",
                  BS_RADIOBUTTON | WS_GROUP | WS_TABSTOP, 0xF},
        RecipeRow{"Group", ControlKind::GroupBox, kStyleNone, L"BUTTON", BS_GROUPBOX, 0xF},
        RecipeRow{"Frame", ControlKind::EtchedFrame, kStyleNone, L"STATIC", SS_ETCHEDFRAME, SS_TYPEMASK},
        RecipeRow{"Label", ControlKind::Label, kStyleRightAligned | kStyleCenterImage, L"STATIC",
                  SS_RIGHT | SS_CENTERIMAGE | SS_NOPREFIX | SS_NOTIFY, SS_TYPEMASK},
        RecipeRow{"Picture", ControlKind::Picture, kStyleNone, L"STATIC", SS_BITMAP | SS_NOTIFY, SS_TYPEMASK},
        RecipeRow{"DigitsEdit", ControlKind::Edit, kStyleDigitsOnly | kStyleReadOnly, L"EDIT",
                  ES_NUMBER | ES_READONLY | ES_AUTOHSCROLL, 0},
        RecipeRow{"RequestBox", ControlKind::MultiLineEdit, kStyleVScroll, L"EDIT",
                  ES_MULTILINE | ES_WANTRETURN | WS_VSCROLL, 0},
        RecipeRow{"Display", ControlKind::RichEdit, kStyleVScroll, kRichEditClass,
                  ES_MULTILINE | WS_VSCROLL | ES_NOHIDESEL, 0},
        RecipeRow{"List", ControlKind::DropDownList, kStyleNone, L"COMBOBOX", CBS_DROPDOWNLIST, 0x3},
        RecipeRow{"TypedList", ControlKind::DropDownList, kStyleEditableList | kStyleHidden | kStyleDisabled,
                  L"COMBOBOX", CBS_DROPDOWN, 0x3}),
    [](const ::testing::TestParamInfo<RecipeRow>& info) { return std::string(info.param.name); });

TEST(RecipeGeometryTest, ControlsArePlacedInPixelsAndListsAreAsHighAsTheirOpenList) {
  const DialogTemplate& main = MainDialogTemplate();
  const ControlTemplate* port = main.Find(kIdPortList);
  ASSERT_NE(port, nullptr);
  const ControlRecipe list = RecipeFor(*port, DialogUnits{});
  EXPECT_EQ(list.geometry.x, DialogUnits{}.X(port->x));
  EXPECT_EQ(list.geometry.height, DialogUnits{}.Y(port->listHeight));
  const ControlTemplate* display = main.Find(kIdTrafficView);
  ASSERT_NE(display, nullptr);
  EXPECT_EQ(RecipeFor(*display, DialogUnits{}).geometry,
            DialogUnits{}.ToPixels(display->x, display->y, display->width, display->height));
}

TEST(LabelRoomTest, AWideCaptionGrowsAwayFromItsAlignmentUpToItsNeighbour) {
  DialogTemplate t;
  t.width = 200;
  t.height = 50;
  ControlTemplate left;
  left.kind = ControlKind::Label;
  left.x = 10, left.y = 10, left.width = 20, left.height = 8;
  ControlTemplate neighbour;
  neighbour.id = 7;
  neighbour.kind = ControlKind::Edit;
  neighbour.x = 60, neighbour.y = 8, neighbour.width = 40, neighbour.height = 12;
  ControlTemplate right = left;
  right.x = 120, right.style = kStyleRightAligned;
  t.controls = {left, neighbour, right};
  const DialogUnits units;
  // Fits: unchanged but one font line high.
  EXPECT_EQ(LabelRoom(t, t.controls[0], 20, 14, units), (Rect{15, 15, 30, 14}));
  // Too wide: grows right, but stops before the edit (unit 59).
  EXPECT_EQ(LabelRoom(t, t.controls[0], 500, 12, units).x + LabelRoom(t, t.controls[0], 500, 12, units).width,
            units.X(59));
  EXPECT_EQ(LabelRoom(t, t.controls[0], 40, 12, units).width, 40);
  // Right-aligned: keeps its right edge and grows left, to the edit's end.
  const Rect grown = LabelRoom(t, t.controls[2], 500, 12, units);
  EXPECT_EQ(grown.x + grown.width, units.X(140));
  EXPECT_EQ(grown.x, units.X(101));
}

TEST(WideTextTest, RoundTripsAndReplacesWhatIsNotUtf8) {
  const std::string mixed = "打开串口 О программе. Lirosa4.5 \xF0\x9F\x98\x80";
  EXPECT_EQ(Narrow(Widen(mixed)), mixed);
  EXPECT_EQ(Widen("打开"), std::wstring(L"打开"));
  EXPECT_EQ(Widen(""), std::wstring());
  EXPECT_EQ(Narrow(std::wstring()), std::string());
  // A stray byte becomes U+FFFD; the text around it stays.
  EXPECT_EQ(Widen("a\xFF" "b"), std::wstring(L"a\uFFFDb"));
  // An unpaired surrogate too, on the way back.
  EXPECT_EQ(Narrow(std::wstring(L"x\xD800y")), "x\xEF\xBF\xBDy");
}

// Records the messages a control is sent; answers the length and line
// queries from what was "inserted".
class FakeRichEdit final : public MessageSink {
 public:
  struct Call {
    unsigned message;
    std::uintptr_t wParam;
    std::wstring text;  // EM_REPLACESEL
    COLORREF colour = 0;  // EM_SETCHARFORMAT
    CHARRANGE range{0, 0};  // EM_EXSETSEL
  };
  std::intptr_t Send(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override {
    Call call{message, wParam, {}};
    switch (message) {
      case EM_REPLACESEL: {
        call.text = reinterpret_cast<const wchar_t*>(lParam);
        const std::size_t from = static_cast<std::size_t>(selection.cpMin);
        const std::size_t to = static_cast<std::size_t>(selection.cpMax);
        content.replace(from, to - from, call.text);
        selection.cpMin = selection.cpMax = static_cast<LONG>(from + call.text.size());
        break;
      }
      case EM_SETCHARFORMAT:
        call.colour = reinterpret_cast<const CHARFORMAT2W*>(lParam)->crTextColor;
        break;
      case EM_EXSETSEL: {
        call.range = *reinterpret_cast<const CHARRANGE*>(lParam);
        const LONG size = static_cast<LONG>(content.size());
        selection.cpMin = call.range.cpMin < 0 ? size : call.range.cpMin;
        selection.cpMax = call.range.cpMax < 0 ? size : call.range.cpMax;
        break;
      }
      case EM_GETTEXTLENGTHEX:
        return static_cast<std::intptr_t>(content.size());
      case EM_GETLINECOUNT:
        return lines;
      case WM_SETTEXT:
        content = reinterpret_cast<const wchar_t*>(lParam);
        break;
      case EM_EXGETSEL:
        *reinterpret_cast<CHARRANGE*>(lParam) = selection;
        break;
      case EM_GETSCROLLPOS:
        *reinterpret_cast<POINT*>(lParam) = scroll;
        break;
      case EM_SETSCROLLPOS:
        scroll = *reinterpret_cast<const POINT*>(lParam);
        break;
      case EM_SCROLLCARET:
        scroll = {0, 1000};  // somewhere near the end
        break;
      case EM_GETFIRSTVISIBLELINE:
        return scroll.y / 10;
      case WM_SETREDRAW:
        redrawHeld = wParam == FALSE;
        break;
    }
    calls.push_back(call);
    return 0;
  }
  bool AtBottom() override { return atBottom; }
  void Repaint() override { ++repaints; }
  std::vector<unsigned> Messages() const {
    std::vector<unsigned> messages;
    for (const Call& call : calls) messages.push_back(call.message);
    return messages;
  }
  std::vector<Call> calls;
  std::wstring content;
  CHARRANGE selection{0, 0};
  int lines = 0;
  bool atBottom = true;
  POINT scroll{0, 0};
  bool redrawHeld = false;
  int repaints = 0;
};

TEST(RichEditViewTest, AppendsAtTheEndInItsColourWithoutTheClipboard) {
  FakeRichEdit control;
  RichEditView view(control);
  // The control's own 32767-character limit is lifted at once.
  ASSERT_FALSE(control.calls.empty());
  EXPECT_EQ(control.calls[0].message, static_cast<unsigned>(EM_EXLIMITTEXT));
  control.calls.clear();
  control.content = L"typed";
  control.selection = {1, 1};  // the caret elsewhere, nothing selected, the view at the end
  view.Append("01 03\r", kReceivedColour);
  EXPECT_EQ(control.content, L"typed01 03\r");
  const std::vector<unsigned> expected = {EM_EXGETSEL, EM_EXSETSEL, EM_SETCHARFORMAT, EM_REPLACESEL,
                                          EM_EXSETSEL, EM_SCROLLCARET};
  EXPECT_EQ(control.Messages(), expected);
  EXPECT_EQ(control.calls[1].range.cpMin, -1);
  EXPECT_EQ(control.calls[2].wParam, static_cast<std::uintptr_t>(SCF_SELECTION));
  EXPECT_EQ(control.calls[2].colour, RGB(255, 0, 0));
  EXPECT_EQ(control.calls[3].wParam, static_cast<std::uintptr_t>(FALSE));  // no undo
  EXPECT_EQ(control.selection.cpMin, static_cast<LONG>(control.content.size()));
  for (const FakeRichEdit::Call& call : control.calls) {
    EXPECT_NE(call.message, static_cast<unsigned>(WM_PASTE));
  }
  view.Append("", kSentColour);
  EXPECT_EQ(control.calls.size(), expected.size());  // nothing for nothing
  EXPECT_EQ(view.TextLength(), control.content.size());
  EXPECT_EQ(view.LineCount(), 1);  // an empty answer still counts one line
  view.Clear();
  EXPECT_EQ(control.content, L"");
}

TEST(RichEditViewTest, PastItsCapacityTheOldestQuarterGoes) {
  FakeRichEdit control;
  RichEditView view(control, 100);
  for (int i = 0; i < 12; ++i) view.Append("0123456789", kSentColour);
  EXPECT_LE(control.content.size(), 100u);
  EXPECT_GE(control.content.size(), 75u);
  // The newest text is kept whole, at the end.
  EXPECT_EQ(control.content.substr(control.content.size() - 10), L"0123456789");
}

// Scrolled up or with a selection, a record still goes in at the end in its
// colour, and what the user looks at and has selected is put back.
TEST(RichEditViewTest, AHeldViewKeepsItsScrollAndSelectionWhileRecordsGoInAtTheEnd) {
  struct Case {
    const char* name;
    bool atBottom;
    CHARRANGE selection;
    CHARRANGE after;  // -1: the new end
  };
  const Case cases[] = {
      {"selection at the bottom", true, {2, 5}, {2, 5}},
      {"scrolled up, caret inside", false, {3, 3}, {3, 3}},
      {"scrolled up, caret at the end", false, {8, 8}, {-1, -1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeRichEdit control;
    RichEditView view(control);
    control.content = L"01 02 03";
    control.atBottom = c.atBottom;
    control.selection = c.selection;
    control.scroll = {0, 40};
    control.calls.clear();
    view.Append("04\r", kReceivedColour);
    EXPECT_EQ(control.content, L"01 02 0304\r");
    const LONG end = static_cast<LONG>(control.content.size());
    EXPECT_EQ(control.selection.cpMin, c.after.cpMin < 0 ? end : c.after.cpMin);
    EXPECT_EQ(control.selection.cpMax, c.after.cpMax < 0 ? end : c.after.cpMax);
    EXPECT_EQ(control.scroll.y, 40);
    EXPECT_FALSE(control.redrawHeld);
    EXPECT_EQ(control.repaints, 1);
    bool coloured = false;
    for (const FakeRichEdit::Call& call : control.calls) {
      EXPECT_NE(call.message, static_cast<unsigned>(EM_SCROLLCARET));
      EXPECT_NE(call.message, static_cast<unsigned>(WM_PASTE));
      if (call.message == EM_SETCHARFORMAT) coloured = call.colour == RGB(255, 0, 0);
    }
    EXPECT_TRUE(coloured);
  }
}

TEST(RichEditViewTest, ASelectionMovesWithItsTextWhenTheOldestGoes) {
  FakeRichEdit control;
  RichEditView view(control, 100);
  for (int i = 0; i < 9; ++i) view.Append("0123456789", kSentColour);
  control.selection = {50, 55};  // "01234" of the sixth record
  control.atBottom = false;
  for (int i = 0; i < 3; ++i) view.Append("abcdefghij", kSentColour);
  const LONG dropped = 120 - static_cast<LONG>(control.content.size());
  ASSERT_GT(dropped, 0);
  EXPECT_EQ(control.selection.cpMin, 50 - dropped);
  EXPECT_EQ(control.content.substr(control.selection.cpMin, 5), L"01234");
}

TEST(LinkLaunchTest, HandlerCommandTakesTheAddressAtItsPlaceholder) {
  const std::wstring address = L"https://lirosa.example.com/";
  EXPECT_EQ(HandlerCommandLine(L"\"C:\\b.exe\" -osint -url \"%1\"", address),
            L"\"C:\\b.exe\" -osint -url  " + address);
  EXPECT_EQ(HandlerCommandLine(L"b.exe %1 -new", address), L"b.exe  " + address);
  EXPECT_EQ(HandlerCommandLine(L"b.exe -new", address), L"b.exe -new " + address);
}

TEST(FileFilterTest, NameAndPatternEndWithAnEmptyEntry) {
  FileChoice choice;
  choice.filterName = "文本文件(*.txt)";
  choice.filterPattern = "*.txt";
  EXPECT_EQ(FileFilter(choice), std::wstring(L"文本文件(*.txt)\0*.txt\0\0", 19));
}

}  // namespace
}  // namespace lirosa
