// The single-line edit: typing within its width and no further, selection by keys and
// mouse, Backspace and Delete at the ends, EM_SETSEL/EM_GETSEL, and a caret whose
// blink timer exists only while the field has the focus in the active window.
#include <gtest/gtest.h>

#include <string>

#include "control_test_support.h"
#include "platform/ui/look.h"
#include "tests/support/golden.h"

namespace {

constexpr std::uint32_t kNavy = 0x000080;
constexpr std::uint32_t kBlack = 0x000000;

class TEditTest : public klop_test::TControlTest {
 protected:
  void SetUp() override {
    TControlTest::SetUp();
    // OptionDlg's game time field: 24 by 13 dialog units.
    edit = Make("EDIT", "15", ES_LEFT | WS_BORDER | WS_TABSTOP, 94, 146, 36, 21, 109);
    button = Make("BUTTON", "OK", BS_PUSHBUTTON | WS_TABSTOP, 10, 10, 72, 23, IDOK);
    ClearLog();
  }
  std::string Text() const {
    char buffer[64] = {};
    GetWindowTextA(edit, buffer, sizeof buffer);
    return buffer;
  }
  std::pair<DWORD, DWORD> Sel() const {
    DWORD start = 99;
    DWORD end = 99;
    const LRESULT r = SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                                   reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(LOWORD(r), start);
    EXPECT_EQ(HIWORD(r), end);
    return {start, end};
  }
  void Focus() {
    SetFocus(edit);
    Pump();
  }
  static int TextWidth(const std::string& s) {
    return platform::look::MnemonicTextSize(s.c_str(), false).cx;
  }
  // How wide a text may be: the field less its frame, margins and the caret.
  static constexpr int kRoom = 36 - 4 - 2 - 1;

  HWND edit = nullptr;
  HWND button = nullptr;
};

TEST_F(TEditTest, TypingStopsAtTheVisibleWidth) {
  EXPECT_EQ(SendMessageA(edit, WM_GETDLGCODE, 0, 0),
            DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS);
  Focus();
  Key(VK_END);
  Type("888888888888");
  const std::string t = Text();
  ASSERT_GT(t.size(), 2u);
  EXPECT_EQ(t.substr(0, 2), "15");
  EXPECT_LE(TextWidth(t), kRoom);
  EXPECT_GT(TextWidth(t + "8"), kRoom);  // the next one was refused
  EXPECT_EQ(Sel(),
            (std::pair<DWORD, DWORD>{static_cast<DWORD>(t.size()), static_cast<DWORD>(t.size())}));
  // A narrower character may still fit where a wide one did not.
  Key(VK_BACK);
  Type("W");
  EXPECT_EQ(Text(), TextWidth(t.substr(0, t.size() - 1) + "W") <= kRoom
                        ? t.substr(0, t.size() - 1) + "W"
                        : t.substr(0, t.size() - 1));
  // Control characters type nothing.
  const std::string before = Text();
  SendMessageA(edit, WM_CHAR, '\r', 0);
  SendMessageA(edit, WM_CHAR, 0x1B, 0);
  SendMessageA(edit, WM_CHAR, '\t', 0);
  EXPECT_EQ(Text(), before);
}

TEST_F(TEditTest, TypingReplacesTheSelectionUnlessTheResultIsTooWide) {
  Focus();
  SendMessageA(edit, EM_SETSEL, 0, -1);
  EXPECT_EQ(Sel(), (std::pair<DWORD, DWORD>{0, 2}));
  Type("7");
  EXPECT_EQ(Text(), "7");
  Type("0");
  EXPECT_EQ(Text(), "70");
  // A narrow character selected in a nearly full field: a wide one may not take its place.
  std::string zeros;
  while (TextWidth(zeros + "0.") <= kRoom) zeros += "0";
  ASSERT_GT(TextWidth(zeros + "W"), kRoom);
  SetWindowTextA(edit, (zeros + ".").c_str());
  const auto n = static_cast<DWORD>(zeros.size());
  SendMessageA(edit, EM_SETSEL, n, n + 1);
  Type("W");
  EXPECT_EQ(Text(), zeros + ".");
  EXPECT_EQ(Sel(), (std::pair<DWORD, DWORD>{n, n + 1}));
  Type(",");
  EXPECT_EQ(Text(), zeros + ",");
  EXPECT_EQ(Sel(), (std::pair<DWORD, DWORD>{n + 1, n + 1}));
}

TEST_F(TEditTest, BackspaceAndDeleteAtTheEndsAndInside) {
  SetWindowTextA(edit, "1234");
  Focus();
  const struct {
    unsigned key;
    const char* text;
    DWORD caret;
  } steps[] = {{VK_HOME, "1234", 0}, {VK_BACK, "1234", 0},  {VK_DELETE, "234", 0},
               {VK_END, "234", 3},   {VK_DELETE, "234", 3}, {VK_BACK, "23", 2},
               {VK_LEFT, "23", 1},   {VK_BACK, "3", 0},     {VK_LEFT, "3", 0},
               {VK_RIGHT, "3", 1},   {VK_RIGHT, "3", 1},    {VK_BACK, "", 0},
               {VK_BACK, "", 0},     {VK_DELETE, "", 0}};
  for (const auto& s : steps) {
    Key(s.key);
    EXPECT_EQ(Text(), s.text) << s.key;
    EXPECT_EQ(Sel(), (std::pair<DWORD, DWORD>{s.caret, s.caret})) << s.key;
  }
}

TEST_F(TEditTest, ShiftExtendsTheSelectionAndArrowsCollapseIt) {
  SetWindowTextA(edit, "12345");
  Focus();
  EXPECT_EQ(Sel(), (std::pair<DWORD, DWORD>{0, 0}));  // a new text puts the caret first
  Key(VK_RIGHT, platform::kModShift);
  Key(VK_RIGHT, platform::kModShift);
  EXPECT_EQ(Sel(), (std::pair<DWORD, DWORD>{0, 2}));
  Key(VK_END, platform::kModShift);
  EXPECT_EQ(Sel(), (std::pair<DWORD, DWORD>{0, 5}));
  Key(VK_LEFT, platform::kModShift);
  EXPECT_EQ(Sel(), (std::pair<DWORD, DWORD>{0, 4}));
  Key(VK_LEFT);
  EXPECT_EQ(Sel(), (std::pair<DWORD, DWORD>{0, 0}));  // collapses to its start
  Key(VK_END);
  Key(VK_HOME, platform::kModShift);
  EXPECT_EQ(Sel(), (std::pair<DWORD, DWORD>{0, 5}));
  Key(VK_RIGHT);
  EXPECT_EQ(Sel(), (std::pair<DWORD, DWORD>{5, 5}));
  Key(VK_LEFT, platform::kModShift);
  Key(VK_LEFT, platform::kModShift);
  Key(VK_DELETE);
  EXPECT_EQ(Text(), "123");
  // EM_SETSEL: -1 as the end means the end; -1 as the start deselects.
  SendMessageA(edit, EM_SETSEL, 1, -1);
  EXPECT_EQ(Sel(), (std::pair<DWORD, DWORD>{1, 3}));
  SendMessageA(edit, EM_SETSEL, static_cast<WPARAM>(-1), 0);
  EXPECT_EQ(Sel(), (std::pair<DWORD, DWORD>{3, 3}));
  SendMessageA(edit, EM_SETSEL, 2, 0);  // backwards: the caret is at 0
  EXPECT_EQ(Sel(), (std::pair<DWORD, DWORD>{0, 2}));
  Type("9");
  EXPECT_EQ(Text(), "93");
  SendMessageA(edit, EM_SETSEL, 50, 70);
  EXPECT_EQ(Sel(), (std::pair<DWORD, DWORD>{2, 2}));
}

TEST_F(TEditTest, MousePlacesTheCaretAndDragsASelection) {
  SetWindowTextA(edit, "1234");
  const int origin = 3;  // frame and margin
  Click(edit, origin + TextWidth("12") + 1, 10);
  EXPECT_EQ(GetFocus(), edit);
  EXPECT_EQ(Sel(), (std::pair<DWORD, DWORD>{2, 2}));
  Click(edit, 30, 10);
  EXPECT_EQ(Sel(), (std::pair<DWORD, DWORD>{4, 4}));
  Click(edit, 0, 10);
  EXPECT_EQ(Sel(), (std::pair<DWORD, DWORD>{0, 0}));
  Press(edit, origin + TextWidth("1"), 10);
  MoveTo(edit, origin + TextWidth("123"), 10);
  EXPECT_EQ(Sel(), (std::pair<DWORD, DWORD>{1, 3}));
  MoveTo(edit, -20, 10);  // past the left edge: to the start
  EXPECT_EQ(Sel(), (std::pair<DWORD, DWORD>{0, 1}));
  Release();
  EXPECT_EQ(GetCapture(), nullptr);
  MoveTo(edit, 30, 10);
  EXPECT_EQ(Sel(), (std::pair<DWORD, DWORD>{0, 1}));  // released: moving does nothing
}

TEST_F(TEditTest, TextMessagesAndChangeNotes) {
  EXPECT_EQ(Text(), "15");
  EXPECT_TRUE(SetWindowTextA(edit, "42"));
  EXPECT_EQ(Text(), "42");
  EXPECT_EQ(GetWindowTextLengthA(edit), 2);
  Focus();
  ClearLog();
  Key(VK_END);
  Type("1");
  Key(VK_LEFT);  // no change, no note
  Key(VK_BACK);
  EXPECT_EQ(Notes(edit), (std::vector<int>{EN_CHANGE, EN_CHANGE}));
  EXPECT_EQ(Text(), "41");
}

TEST_F(TEditTest, CaretBlinksOnlyWhileFocusedInTheActiveWindow) {
  // Not focused: nothing wakes.
  EXPECT_EQ(Wait(2000), 0);
  Focus();
  ASSERT_EQ(GetActiveWindow(), parent);
  const int caretX = 3 + TextWidth("15");
  Key(VK_END);
  EXPECT_EQ(Pixel(edit, caretX, 10), kBlack);  // shown at once
  EXPECT_GT(Wait(530), 0);
  EXPECT_EQ(Pixel(edit, caretX, 10), 0xFFFFFF);
  EXPECT_GT(Wait(530), 0);
  EXPECT_EQ(Pixel(edit, caretX, 10), kBlack);

  // Focus elsewhere: no caret, no timer.
  SetFocus(button);
  Pump();
  EXPECT_EQ(Pixel(edit, caretX, 10), 0xFFFFFF);
  EXPECT_EQ(Wait(2000), 0);

  // Back, then the desktop takes the activation away: the timer goes with it.
  Focus();
  EXPECT_GT(Wait(530), 0);
  host.FocusAt(host.Now(), platform::THeadlessHost::HostOf(parent), false);
  Pump();
  EXPECT_NE(GetActiveWindow(), parent);
  Wait(530);
  EXPECT_EQ(Wait(2000), 0);
}

TEST_F(TEditTest, SelectionLooksMatchTheGolden) {
  SetWindowTextA(edit, "1234");
  Focus();
  SendMessageA(edit, EM_SETSEL, 1, 3);
  Pump();
  EXPECT_GT(Count(edit, {0, 0, 36, 21}, kNavy), 20);
  klop::test::ExpectGolden("edit_selection", 36, 21, Pixels(edit));
  // Unfocused, the selection does not show.
  SetFocus(button);
  Pump();
  EXPECT_EQ(Count(edit, {0, 0, 36, 21}, kNavy), 0);
}

}  // namespace
