// The classic look's painter: bevels, texts, focus rectangles, scroll parts and icons,
// checked pixel by pixel on a headless window, and one golden image of them all.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/ui/look.h"
#include "tests/support/golden.h"
#include "windowing_fixture.h"

namespace {

using namespace platform::look;

constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kLight = 0xC0C0C0;
constexpr std::uint32_t kGrey = 0x808080;
constexpr std::uint32_t kBlack = 0x000000;
constexpr std::uint32_t kNavy = 0x000080;

class TLookTest : public klop_test::TWindowingTest {
 protected:
  void SetUp() override {
    TWindowingTest::SetUp();
    top = MakeTop(320, 200, WS_POPUP | WS_VISIBLE);
    Pump();
    dc = GetDC(top);
    FillColor(dc, RECT{0, 0, 320, 200}, COLOR_BTNFACE);
  }
  void TearDown() override {
    ReleaseDC(top, dc);
    TWindowingTest::TearDown();
  }
  std::uint32_t At(int x, int y) const { return host.PixelAt(top, x, y); }
  std::vector<std::uint32_t> Area(const RECT& r) const {
    std::vector<std::uint32_t> out;
    for (int y = r.top; y < r.bottom; ++y) {
      for (int x = r.left; x < r.right; ++x) out.push_back(At(x, y));
    }
    return out;
  }
  int Count(const RECT& r, std::uint32_t color) const {
    int n = 0;
    for (std::uint32_t p : Area(r)) n += p == color ? 1 : 0;
    return n;
  }

  HWND top = nullptr;
  HDC dc = nullptr;
};

TEST_F(TLookTest, EdgesAreOnePixelPerLineAndAnswerTheInside) {
  struct TCase {
    Edge edge;
    int inset;
    std::uint32_t outerTopLeft, innerTopLeft, outerBottomRight, innerBottomRight;
  };
  const TCase cases[] = {
      {Edge::Raised, 2, kWhite, kLight, kBlack, kGrey},
      {Edge::Sunken, 2, kGrey, kBlack, kWhite, kLight},
      {Edge::RaisedThin, 1, kWhite, kLight, kGrey, kLight},
      {Edge::SunkenThin, 1, kGrey, kLight, kWhite, kLight},
      {Edge::Pressed, 2, kBlack, kGrey, kBlack, kGrey},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.edge));
    FillColor(dc, RECT{0, 0, 40, 30}, COLOR_BTNFACE);
    const RECT inside = DrawEdge(dc, RECT{10, 10, 30, 20}, c.edge);
    EXPECT_EQ(inside.left, 10 + c.inset);
    EXPECT_EQ(inside.top, 10 + c.inset);
    EXPECT_EQ(inside.right, 30 - c.inset);
    EXPECT_EQ(inside.bottom, 20 - c.inset);
    EXPECT_EQ(At(10, 15), c.outerTopLeft);
    EXPECT_EQ(At(20, 10), c.outerTopLeft);
    EXPECT_EQ(At(11, 15), c.innerTopLeft);
    EXPECT_EQ(At(29, 15), c.outerBottomRight);
    EXPECT_EQ(At(20, 19), c.outerBottomRight);
    EXPECT_EQ(At(29, 10), c.outerBottomRight);  // the bottom-right line owns the corners
    EXPECT_EQ(At(28, 15), c.innerBottomRight);
    EXPECT_EQ(At(9, 9), kLight);  // nothing outside
    EXPECT_EQ(At(30, 20), kLight);
  }
}

TEST_F(TLookTest, MnemonicsAreFoundAndUnderlined) {
  const struct {
    const char* text;
    char mnemonic;
  } cases[] = {{"&Speed:", 's'}, {"Game &Time in Seconds:", 't'}, {"a&&b", 0}, {"x&", 0}, {"", 0},
               {"&&&Go", 'g'}};
  for (const auto& c : cases) EXPECT_EQ(MnemonicOf(c.text), c.mnemonic) << c.text;
  EXPECT_EQ(MnemonicOf(nullptr), 0);

  EXPECT_EQ(MnemonicTextSize("&Speed").cx, MnemonicTextSize("Speed").cx);
  EXPECT_EQ(MnemonicTextSize("&Speed").cy, 13);
  EXPECT_GT(MnemonicTextSize("a&&b").cx, MnemonicTextSize("ab").cx);
  EXPECT_EQ(MnemonicTextSize("&Speed", false).cx,
            MnemonicTextSize("&Speed", true).cx + MnemonicTextSize("&", false).cx);

  // The underline is a full row under the letter only.
  DrawMnemonicText(dc, 10, 10, "S&peed", RGB(0, 0, 0), TextState::Normal);
  const int px = 10 + MnemonicTextSize("S").cx;
  const int pw = MnemonicTextSize("p").cx;
  int underRow = -1;
  for (int y = 10; y < 10 + 13; ++y) {
    if (Count(RECT{px, y, px + pw, y + 1}, kBlack) == pw) underRow = y;
  }
  ASSERT_GE(underRow, 0);
  EXPECT_EQ(Count(RECT{10, underRow, px, underRow + 1}, kBlack), 0);
  EXPECT_EQ(At(px + pw, underRow), kLight);

  // Without the prefix the ampersand shows and nothing is underlined.
  DrawMnemonicText(dc, 10, 40, "S&peed", RGB(0, 0, 0), TextState::Normal, false);
  const int width = MnemonicTextSize("S&peed", false).cx;
  EXPECT_LT(Count(RECT{10, 40 + underRow - 10, 10 + width, 40 + underRow - 9}, kBlack), pw);
}

TEST_F(TLookTest, GrayedTextIsEmbossed) {
  DrawMnemonicText(dc, 10, 10, "&Gray", RGB(0, 0, 0), TextState::Grayed);
  const RECT r{10, 10, 60, 25};
  EXPECT_EQ(Count(r, kBlack), 0);
  EXPECT_GT(Count(r, kGrey), 10);
  EXPECT_GT(Count(r, kWhite), 10);
  // Every grey pixel's white shadow is one pixel down-right unless grey covers it.
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) {
      if (At(x, y) != kWhite) continue;
      const std::uint32_t above = At(x - 1, y - 1);
      EXPECT_TRUE(above == kGrey || above == kWhite) << x << "," << y;
    }
  }
}

TEST_F(TLookTest, FocusRectangleIsDottedAlongItsOutline) {
  DrawFocusRect(dc, RECT{10, 10, 20, 16});
  EXPECT_EQ(At(10, 10), kBlack);
  EXPECT_EQ(At(11, 10), kLight);
  EXPECT_EQ(At(12, 10), kBlack);
  EXPECT_EQ(At(10, 11), kLight);
  EXPECT_EQ(At(10, 12), kBlack);
  EXPECT_EQ(At(19, 11), kBlack);  // (9 + 1) even from the corner
  EXPECT_EQ(At(19, 15), kBlack);
  EXPECT_EQ(At(18, 15), kLight);
  EXPECT_EQ(Count(RECT{11, 11, 19, 15}, kBlack), 0);  // inside untouched
  EXPECT_EQ(Count(RECT{10, 10, 20, 16}, kBlack), 14);
}

TEST_F(TLookTest, ScrollPartsAreArrowsTrackAndThumb) {
  DrawScrollArrow(dc, RECT{0, 0, 16, 16}, Arrow::Left, false, false);
  DrawScrollArrow(dc, RECT{16, 0, 32, 16}, Arrow::Right, true, false);
  DrawScrollArrow(dc, RECT{32, 0, 48, 16}, Arrow::Left, false, true);
  // A left triangle 4 wide and 7 tall: its apex column has one pixel, its base seven.
  EXPECT_EQ(Count(RECT{2, 2, 14, 14}, kBlack), 1 + 3 + 5 + 7);
  EXPECT_EQ(Count(RECT{0, 0, 16, 16}, kBlack), 16 + 31);
  EXPECT_EQ(At(15, 8), kBlack);  // raised edge's dark line
  EXPECT_EQ(At(0, 8), kWhite);
  EXPECT_EQ(At(16, 8), kGrey);  // pressed: flat grey frame
  EXPECT_EQ(At(31, 8), kGrey);
  EXPECT_EQ(Count(RECT{34, 2, 46, 14}, kBlack), 0);  // disabled: grey and white
  EXPECT_EQ(Count(RECT{34, 2, 46, 14}, kGrey), 16);

  DrawScrollTrack(dc, RECT{50, 0, 60, 16}, false);
  for (int y = 0; y < 4; ++y) {
    for (int x = 50; x < 54; ++x) EXPECT_EQ(At(x, y), (x + y) % 2 == 0 ? kWhite : kLight);
  }
  DrawScrollTrack(dc, RECT{60, 0, 70, 16}, true);
  EXPECT_EQ(Count(RECT{60, 0, 70, 16}, kBlack), 160);
  DrawScrollThumb(dc, RECT{70, 0, 86, 16});
  EXPECT_EQ(At(70, 0), kWhite);
  EXPECT_EQ(At(85, 15), kBlack);
  EXPECT_EQ(At(78, 8), kLight);
}

TEST_F(TLookTest, MessageIconsAreThirtyTwoSquareAndLeaveTheRestAlone) {
  DrawMessageIcon(dc, 10, 10, Icon::Stop);
  EXPECT_EQ(At(10 + 15, 10 + 15), kWhite);   // the cross's middle
  EXPECT_EQ(At(10 + 15, 10 + 4), 0xFF0000);  // red disc
  EXPECT_EQ(At(10, 10), kLight);             // transparent corner
  EXPECT_EQ(Count(RECT{42, 0, 60, 60}, kLight), 18 * 60);
  EXPECT_EQ(Count(RECT{0, 42, 60, 60}, kLight), 60 * 18);

  DrawMessageIcon(dc, 100, 10, Icon::Exclamation);
  EXPECT_EQ(At(100 + 15, 10 + 12), kBlack);    // the bar of "!"
  EXPECT_EQ(At(100 + 15, 10 + 24), kBlack);    // its dot
  EXPECT_EQ(At(100 + 15, 10 + 22), 0xFFFF00);  // yellow between
  EXPECT_EQ(At(100 + 10, 10 + 26), 0xFFFF00);
  EXPECT_EQ(At(100, 10), kLight);
  EXPECT_EQ(At(100 + 31, 10 + 2), kLight);
}

TEST_F(TLookTest, MenuItemsHighlightNavyWithWhiteText) {
  DrawMenuItem(dc, RECT{0, 0, 60, 19}, 6, "&Game", true, false);
  EXPECT_EQ(At(1, 1), kNavy);
  EXPECT_GT(Count(RECT{6, 3, 40, 16}, kWhite), 10);
  EXPECT_EQ(Count(RECT{0, 0, 60, 19}, kBlack), 0);
  DrawMenuItem(dc, RECT{0, 20, 60, 39}, 6, "&Pause", false, true);
  EXPECT_EQ(Count(RECT{0, 20, 60, 39}, kBlack), 0);
  EXPECT_GT(Count(RECT{6, 23, 50, 36}, kGrey), 10);
  EXPECT_GT(Count(RECT{6, 23, 50, 36}, kWhite), 10);
}

TEST_F(TLookTest, SystemMetricsAreTheClassicValues) {
  const struct {
    int index;
    int value;
  } cases[] = {{SM_CYMENU, 19},
               {SM_CXVSCROLL, 16},
               {SM_CYHSCROLL, 16},
               {SM_CXHSCROLL, 16},
               {SM_CXICON, 32},
               {SM_CYICON, 32},
               {SM_CXCURSOR, 32},
               {SM_CYCURSOR, 32},
               {SM_CXBORDER, 1},
               {SM_CYBORDER, 1},
               {SM_CYCAPTION, 19},
               {SM_CXDOUBLECLK, 4},
               {SM_CYDOUBLECLK, 4},
               {SM_CXSCREEN, 1024},
               {SM_CYSCREEN, 768},
               {-1, 0},
               {9999, 0}};
  for (const auto& c : cases) EXPECT_EQ(GetSystemMetrics(c.index), c.value) << c.index;
  host.SetWorkArea({0, 0, 800, 570});
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 800);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 570);
}

TEST_F(TLookTest, PartsTogetherMatchTheGolden) {
  const RECT area{0, 0, 300, 120};
  FillFace(dc, area);
  DrawPushButton(dc, RECT{6, 6, 78, 29}, "OK", {});
  DrawPushButton(dc, RECT{84, 6, 156, 29}, "&Cancel", {false, true, true, false});
  DrawPushButton(dc, RECT{162, 6, 234, 29}, "OK", {true, true, true, false});
  DrawPushButton(dc, RECT{240, 6, 294, 29}, "&Off", {false, false, false, true});
  DrawScrollArrow(dc, RECT{6, 36, 22, 52}, Arrow::Left, false, false);
  DrawScrollTrack(dc, RECT{22, 36, 60, 52}, false);
  DrawScrollThumb(dc, RECT{60, 36, 76, 52});
  DrawScrollTrack(dc, RECT{76, 36, 190, 52}, true);
  DrawScrollArrow(dc, RECT{190, 36, 206, 52}, Arrow::Right, true, false);
  DrawScrollArrow(dc, RECT{212, 36, 228, 52}, Arrow::Up, false, true);
  DrawScrollArrow(dc, RECT{228, 36, 244, 52}, Arrow::Down, false, false);
  const RECT field = DrawEditField(dc, RECT{6, 58, 80, 79}, false);
  DrawMnemonicText(dc, field.left + 1, field.top + 2, "15 & up", GetSysColor(COLOR_WINDOWTEXT),
                   TextState::Normal, false);
  DrawAlignedText(dc, RECT{86, 60, 200, 73}, "&Speed:", Align::Center, 0, TextState::Normal);
  DrawAlignedText(dc, RECT{86, 74, 200, 87}, "Grayed &text", Align::Right, 0, TextState::Grayed);
  DrawMenuItem(dc, RECT{6, 90, 70, 109}, 12, "&Game", true, false);
  DrawMenuItem(dc, RECT{70, 90, 134, 109}, 76, "&Stop", false, true);
  DrawMenuItem(dc, RECT{134, 90, 198, 109}, 140, "&Pause", true, true);
  DrawMenuSeparator(dc, RECT{6, 110, 198, 118});
  DrawMessageIcon(dc, 206, 60, Icon::Stop);
  DrawMessageIcon(dc, 244, 60, Icon::Exclamation);
  klop::test::ExpectGolden("look_parts", 300, 120, Area(area));
}

}  // namespace
