// The scroll bar control: range and position answers, the codes each mouse area and
// key sends, repeating while held, dragging, and a thumb that only the parent moves.
#include <gtest/gtest.h>

#include <climits>

#include "control_test_support.h"
#include "tests/support/golden.h"

namespace {

using TScrolls = std::vector<std::pair<int, int>>;

class TScrollBarTest : public klop_test::TControlTest {
 protected:
  void SetUp() override {
    TControlTest::SetUp();
    // OptionDlg's speed bar: 138 by 9 dialog units, aligned to the top at the standard height.
    bar = Make("SCROLLBAR", "", SBS_HORZ | SBS_TOPALIGN | WS_TABSTOP, 9, 29, 207, 15, 101);
    ClearLog();
  }
  // The thumb's left edge, found from its white left column, which the checkered track never has.
  int ThumbLeft() const {
    for (int x = 16; x < 191; ++x) {
      if (Pixel(bar, x, 0) == 0xFFFFFF && Pixel(bar, x, 1) == 0xFFFFFF) return x;
    }
    return -1;
  }

  HWND bar = nullptr;
};

TEST_F(TScrollBarTest, TopAlignGivesTheStandardHeight) {
  RECT r{};
  GetClientRect(bar, &r);
  EXPECT_EQ(r.right, 207);
  EXPECT_EQ(r.bottom, 16);
  GetWindowRect(bar, &r);
  POINT origin{0, 0};
  ClientToScreen(parent, &origin);
  EXPECT_EQ(r.top - origin.y, 29);
  EXPECT_EQ(SendMessageA(bar, WM_GETDLGCODE, 0, 0), DLGC_WANTARROWS);
}

TEST_F(TScrollBarTest, PositionsClampIntoTheRangeAndAnswerThePreviousOne) {
  int lo = -1;
  int hi = -1;
  ASSERT_TRUE(GetScrollRange(bar, SB_CTL, &lo, &hi));
  EXPECT_EQ(lo, 0);
  EXPECT_EQ(hi, 0);
  const struct {
    int pos;
    int answer;  // the previous position
    int after;
  } steps[] = {{30, 0, 0}};
  for (const auto& s : steps) {
    EXPECT_EQ(SetScrollPos(bar, SB_CTL, s.pos, TRUE), s.answer);
    EXPECT_EQ(GetScrollPos(bar, SB_CTL), s.after);
  }
  EXPECT_TRUE(SetScrollRange(bar, SB_CTL, 0, 100, TRUE));
  const struct {
    int pos;
    int answer;
    int after;
  } inRange[] = {{30, 0, 30}, {30, 30, 30}, {150, 30, 100}, {-5, 100, 0}, {2, 0, 2}, {1, 2, 1}};
  for (const auto& s : inRange) {
    EXPECT_EQ(SetScrollPos(bar, SB_CTL, s.pos, FALSE), s.answer) << s.pos;
    EXPECT_EQ(GetScrollPos(bar, SB_CTL), s.after) << s.pos;
  }
  SetScrollPos(bar, SB_CTL, 30, TRUE);
  EXPECT_TRUE(SetScrollRange(bar, SB_CTL, 0, 100, TRUE));
  EXPECT_EQ(GetScrollPos(bar, SB_CTL), 30);  // the same range keeps the position
  EXPECT_TRUE(SetScrollRange(bar, SB_CTL, 40, 60, FALSE));
  EXPECT_EQ(GetScrollPos(bar, SB_CTL), 40);               // a new range clamps it
  EXPECT_EQ(SendMessageA(bar, SBM_SETRANGE, 0, 10), 40);  // moved: the old position
  EXPECT_EQ(SendMessageA(bar, SBM_SETRANGE, 0, 20), 0);   // not moved: 0

  // Ranges wider than INT_MAX, and reversed ones, are refused and change nothing.
  const struct {
    int min, max;
    BOOL ok;
  } ranges[] = {{0, INT_MAX, TRUE},  {-1, INT_MAX, FALSE}, {INT_MIN, INT_MAX, FALSE},
                {INT_MIN, 0, FALSE}, {INT_MIN, -1, TRUE},  {0, 0, TRUE},
                {123, 456, TRUE},    {10, 5, FALSE}};
  for (const auto& r : ranges) {
    ASSERT_TRUE(SetScrollRange(bar, SB_CTL, 123, 456, FALSE));
    EXPECT_EQ(SetScrollRange(bar, SB_CTL, r.min, r.max, FALSE), r.ok) << r.min << ".." << r.max;
    GetScrollRange(bar, SB_CTL, &lo, &hi);
    EXPECT_EQ(lo, r.ok ? r.min : 123);
    EXPECT_EQ(hi, r.ok ? r.max : 456);
  }

  // Other windows and other bars answer a failure.
  HWND plain = MakeChild(parent, 0, 100, 20, 20);
  EXPECT_EQ(SetScrollPos(plain, SB_CTL, 3, TRUE), 0);
  EXPECT_EQ(GetScrollPos(plain, SB_CTL), 0);
  EXPECT_FALSE(SetScrollRange(plain, SB_CTL, 0, 10, TRUE));
  EXPECT_FALSE(GetScrollRange(plain, SB_CTL, &lo, &hi));
  EXPECT_EQ(SetScrollPos(bar, SB_HORZ, 3, TRUE), 0);
  EXPECT_FALSE(SetScrollRange(bar, SB_VERT, 0, 10, TRUE));
  EXPECT_FALSE(GetScrollRange(bar, SB_CTL, nullptr, &hi));
  EXPECT_EQ(SetScrollPos(nullptr, SB_CTL, 3, TRUE), 0);
}

TEST_F(TScrollBarTest, EachMouseAreaSendsItsCodeThenEndScroll) {
  SetScrollRange(bar, SB_CTL, 0, 100, TRUE);
  SetScrollPos(bar, SB_CTL, 50, TRUE);
  Pump();
  const int thumb = ThumbLeft();
  ASSERT_GT(thumb, 16);
  const struct {
    int x;
    int code;
  } clicks[] = {{4, SB_LINELEFT},           {15, SB_LINELEFT},  {192, SB_LINERIGHT},
                {206, SB_LINERIGHT},        {17, SB_PAGELEFT},  {thumb - 1, SB_PAGELEFT},
                {thumb + 16, SB_PAGERIGHT}, {190, SB_PAGERIGHT}};
  for (const auto& c : clicks) {
    ClearLog();
    Click(bar, c.x, 8);
    EXPECT_EQ(Scrolls(bar), (TScrolls{{c.code, 0}, {SB_ENDSCROLL, 0}})) << c.x;
    EXPECT_EQ(GetScrollPos(bar, SB_CTL), 50);  // nothing moves by itself
    EXPECT_EQ(ThumbLeft(), thumb);
  }
  // A click on the thumb that does not move: its position, then the end.
  ClearLog();
  Click(bar, thumb + 8, 8);
  EXPECT_EQ(Scrolls(bar), (TScrolls{{SB_THUMBPOSITION, 50}, {SB_ENDSCROLL, 0}}));
  EXPECT_EQ(GetFocus(), bar);  // a tab stop takes the focus when clicked
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(TScrollBarTest, HeldArrowRepeatsAfterTheDelayUntilReleased) {
  SetScrollRange(bar, SB_CTL, 0, 100, TRUE);
  Press(bar, 4, 8);
  EXPECT_EQ(Scrolls(bar).size(), 1u);
  Wait(200);
  EXPECT_EQ(Scrolls(bar).size(), 1u);  // still within the first delay
  Wait(50);
  EXPECT_EQ(Scrolls(bar).size(), 2u);
  Wait(50);
  Wait(50);
  EXPECT_EQ(Scrolls(bar).size(), 4u);
  // Off the arrow it pauses, back on it goes on.
  MoveTo(bar, 100, 8);
  Wait(50);
  Wait(50);
  EXPECT_EQ(Scrolls(bar).size(), 4u);
  MoveTo(bar, 5, 5);
  Wait(50);
  EXPECT_EQ(Scrolls(bar).size(), 5u);
  Release();
  const TScrolls sent = Scrolls(bar);
  ASSERT_EQ(sent.size(), 6u);
  for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(sent[i].first, SB_LINELEFT);
  EXPECT_EQ(sent[5].first, SB_ENDSCROLL);
  // The timer is gone with the release: nothing more comes, nothing wakes.
  EXPECT_EQ(Wait(1000), 0);
  EXPECT_EQ(Scrolls(bar).size(), 6u);
}

TEST_F(TScrollBarTest, HeldPageAreaRepeatsUntilTheThumbReachesThePointer) {
  SetScrollRange(bar, SB_CTL, 0, 100, TRUE);
  // The parent moves the thumb by 10 per page, as a program would.
  handlers[parent] = [this](HWND, UINT msg, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
    if (msg == WM_HSCROLL && LOWORD(wParam) == SB_PAGERIGHT) {
      SetScrollPos(bar, SB_CTL, GetScrollPos(bar, SB_CTL) + 10, TRUE);
    }
    return std::nullopt;
  };
  Press(bar, 100, 8);  // the thumb is at 16..32 for position 0
  for (int i = 0; i < 20; ++i) Wait(i == 0 ? 250 : 50);
  Release();
  const int pos = GetScrollPos(bar, SB_CTL);
  // Stopped once the thumb covered x = 100: position p puts it at 16 + 159 p / 100.
  EXPECT_GE(16 + 159 * pos / 100 + 16, 100);
  EXPECT_LT(16 + 159 * (pos - 10) / 100 + 16, 100);
  const TScrolls sent = Scrolls(bar);
  EXPECT_EQ(static_cast<int>(sent.size()), pos / 10 + 1);
  EXPECT_EQ(sent.back().first, SB_ENDSCROLL);
}

TEST_F(TScrollBarTest, DragSendsTrackingPositionsThenThePositionAtRelease) {
  SetScrollRange(bar, SB_CTL, 0, 100, TRUE);
  SetScrollPos(bar, SB_CTL, 50, TRUE);
  Pump();
  const int thumb = ThumbLeft();
  Press(bar, thumb + 5, 8);
  EXPECT_TRUE(Scrolls(bar).empty());
  MoveTo(bar, thumb + 25, 8);
  MoveTo(bar, thumb + 45, 30);  // below the bar: still dragging
  MoveTo(bar, thumb + 45, 30);  // no change: nothing sent
  const TScrolls tracked = Scrolls(bar);
  ASSERT_EQ(tracked.size(), 2u);
  EXPECT_EQ(tracked[0].first, SB_THUMBTRACK);
  EXPECT_EQ(tracked[1].first, SB_THUMBTRACK);
  EXPECT_GT(tracked[0].second, 50);
  EXPECT_GT(tracked[1].second, tracked[0].second);
  EXPECT_EQ(GetScrollPos(bar, SB_CTL), 50);  // the parent did not move it
  MoveTo(bar, 400, 8);                       // far right: the end of the range
  Release();
  const TScrolls sent = Scrolls(bar);
  ASSERT_EQ(sent.size(), 5u);
  EXPECT_EQ(sent[2], (std::pair<int, int>{SB_THUMBTRACK, 100}));
  EXPECT_EQ(sent[3], (std::pair<int, int>{SB_THUMBPOSITION, 100}));
  EXPECT_EQ(sent[4], (std::pair<int, int>{SB_ENDSCROLL, 0}));
  EXPECT_EQ(ThumbLeft(), thumb);
  SetScrollPos(bar, SB_CTL, 100, TRUE);
  Pump();
  EXPECT_EQ(ThumbLeft(), 207 - 16 - 16);
}

TEST_F(TScrollBarTest, KeysSendTheirCodesAndEndScrollAtRelease) {
  SetFocus(bar);
  Pump();
  const struct {
    unsigned vk;
    int code;
  } keys[] = {{VK_LEFT, SB_LINELEFT},  {VK_UP, SB_LINELEFT},    {VK_RIGHT, SB_LINERIGHT},
              {VK_DOWN, SB_LINERIGHT}, {VK_PRIOR, SB_PAGELEFT}, {VK_NEXT, SB_PAGERIGHT},
              {VK_HOME, SB_LEFT},      {VK_END, SB_RIGHT}};
  for (const auto& k : keys) {
    ClearLog();
    Key(k.vk);
    EXPECT_EQ(Scrolls(bar), (TScrolls{{k.code, 0}, {SB_ENDSCROLL, 0}})) << k.vk;
  }
  ClearLog();
  Key('A');
  Key(VK_SPACE);
  EXPECT_TRUE(Scrolls(bar).empty());
}

TEST_F(TScrollBarTest, EmptyRangeHasNoThumbAndDisabledBarsTakeNoClicks) {
  // Range 0..0: no thumb, so no page areas; the arrows still report.
  EXPECT_EQ(ThumbLeft(), -1);
  Click(bar, 100, 8);
  EXPECT_TRUE(Scrolls(bar).empty());
  Click(bar, 4, 8);
  EXPECT_EQ(Scrolls(bar), (TScrolls{{SB_LINELEFT, 0}, {SB_ENDSCROLL, 0}}));

  SetScrollRange(bar, SB_CTL, 0, 10, TRUE);
  EnableWindow(bar, FALSE);
  Pump();
  ClearLog();
  for (int x : {4, 30, 100, 203}) Click(bar, x, 8);
  EXPECT_TRUE(Scrolls(bar).empty());
  // Grey arrows: no black triangle inside the left arrow's face.
  EXPECT_EQ(Count(bar, {2, 2, 14, 14}, 0x000000), 0);
  EXPECT_GT(Count(bar, {2, 2, 14, 14}, 0x808080), 0);
  EXPECT_EQ(SetScrollPos(bar, SB_CTL, 4, TRUE), 0);  // positions still answer
  EXPECT_EQ(GetScrollPos(bar, SB_CTL), 4);
}

TEST_F(TScrollBarTest, LosingTheCaptureEndsTheActionWithoutAPosition) {
  SetScrollRange(bar, SB_CTL, 0, 100, TRUE);
  Pump();
  Press(bar, ThumbLeft() + 4, 8);
  MoveTo(bar, 120, 8);
  HWND other = MakeChild(parent, 0, 100, 20, 20);
  SetCapture(other);
  Pump();
  const TScrolls sent = Scrolls(bar);
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].first, SB_THUMBTRACK);
  EXPECT_EQ(sent[1], (std::pair<int, int>{SB_ENDSCROLL, 0}));
  ReleaseCapture();
  Release();
  EXPECT_EQ(Scrolls(bar).size(), 2u);
  // An arrow held when the capture goes stops repeating.
  Press(bar, 4, 8);
  SetCapture(other);
  ReleaseCapture();
  Pump();
  EXPECT_EQ(Wait(1000), 0);
  EXPECT_EQ(Scrolls(bar).size(), 4u);
}

TEST_F(TScrollBarTest, FocusShowsOnTheThumbWithoutATimer) {
  SetScrollRange(bar, SB_CTL, 0, 100, TRUE);
  SetScrollPos(bar, SB_CTL, 30, TRUE);
  Pump();
  const std::vector<std::uint32_t> unfocused = Pixels(bar);
  SetFocus(bar);
  Pump();
  const int thumb = ThumbLeft();
  EXPECT_EQ(Pixel(bar, thumb + 3, 3), 0x000000);
  EXPECT_EQ(Pixel(bar, thumb + 4, 3), 0xC0C0C0);
  EXPECT_EQ(Wait(2000), 0);  // no blink
  klop::test::ExpectGolden("scroll_bar_focused", 207, 16, Pixels(bar));
  SetFocus(nullptr);
  Pump();
  EXPECT_EQ(Pixels(bar), unfocused);
}

}  // namespace
