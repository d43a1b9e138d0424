// The system control classes found by name, and the STATIC control: aligned texts with
// underlined mnemonics, broken lines, and icons at their own size.
#include <gtest/gtest.h>

#include "control_test_support.h"
#include "platform/ui/look.h"
#include "res/klop_resources.h"

namespace {

constexpr std::uint32_t kFace = 0xC0C0C0;
constexpr std::uint32_t kBlack = 0x000000;

class TStaticTest : public klop_test::TControlTest {
 protected:
  // The leftmost and rightmost columns with black pixels, or -1.
  std::pair<int, int> InkColumns(HWND h) const {
    RECT r{};
    GetClientRect(h, &r);
    int first = -1;
    int last = -1;
    for (int x = 0; x < r.right; ++x) {
      if (Count(h, {x, 0, x + 1, r.bottom}, kBlack) > 0) {
        if (first < 0) first = x;
        last = x;
      }
    }
    return {first, last};
  }
};

TEST_F(TStaticTest, SystemClassesAreFoundByAnyCaseWithoutRegistering) {
  const char* names[] = {"STATIC",    "static",    "Button", "BUTTON",
                         "ScrollBar", "SCROLLBAR", "Edit",   "EDIT"};
  for (const char* name : names) {
    EXPECT_NE(Make(name, "", 0, 0, 0, 40, 20), nullptr) << name;
    WNDCLASSA wc{};
    EXPECT_TRUE(GetClassInfoA(nullptr, name, &wc)) << name;
  }
  EXPECT_EQ(Make("ComboBox", "", 0, 0, 0, 40, 20), nullptr);
}

TEST_F(TStaticTest, KindsThatAreNotBuiltAreRefused) {
  const struct {
    const char* cls;
    DWORD style;
  } refused[] = {{"STATIC", 0x0004 /* a black rectangle */},
                 {"BUTTON", 0x0002 /* a check box */},
                 {"BUTTON", BS_GROUPBOX},
                 {"SCROLLBAR", SBS_VERT},
                 {"SCROLLBAR", SBS_SIZEBOX},
                 {"EDIT", ES_MULTILINE},
                 {"EDIT", ES_AUTOHSCROLL},
                 {"EDIT", ES_NUMBER}};
  for (const auto& r : refused) {
    EXPECT_EQ(Make(r.cls, "", r.style, 0, 0, 40, 20), nullptr) << r.cls << " " << r.style;
  }
}

TEST_F(TStaticTest, TextsAlignAndUnderlineTheirMnemonic) {
  HWND left = Make("STATIC", "&Speed:", SS_LEFT, 0, 0, 200, 13);
  HWND center = Make("STATIC", "&Speed:", SS_CENTER, 0, 20, 200, 13);
  HWND right = Make("STATIC", "&Speed:", SS_RIGHT, 0, 40, 200, 13);
  HWND plain = Make("STATIC", "&Speed:", SS_LEFT | SS_NOPREFIX, 0, 60, 200, 13);
  EXPECT_EQ(SendMessageA(left, WM_GETDLGCODE, 0, 0), DLGC_STATIC);

  const int width = platform::look::MnemonicTextSize("&Speed:").cx;
  const auto [l0, l1] = InkColumns(left);
  const auto [c0, c1] = InkColumns(center);
  const auto [r0, r1] = InkColumns(right);
  EXPECT_EQ(l0, 0);
  EXPECT_EQ(c0, (200 - width) / 2);
  EXPECT_LE(r1, 199);
  EXPECT_GE(r1, 199 - 2);  // a glyph's right bearing
  EXPECT_EQ(c1 - c0, l1 - l0);
  EXPECT_EQ(r1 - r0, l1 - l0);

  // The underline: a full row of the "T" cell, the row below the letters.
  HWND under = Make("STATIC", "Se&t", SS_LEFT, 0, 80, 200, 13);
  const int tLeft = platform::look::MnemonicTextSize("Se").cx;
  const int tWidth = platform::look::MnemonicTextSize("t").cx;
  const int row = 11;
  EXPECT_EQ(Count(under, {tLeft, row, tLeft + tWidth, row + 1}, kBlack), tWidth);
  EXPECT_EQ(Count(under, {0, row, tLeft, row + 1}, kBlack), 0);
  EXPECT_EQ(Count(under, {tLeft + tWidth, row, 200, row + 1}, kBlack), 0);
  const int sWidth = platform::look::MnemonicTextSize("S").cx;
  // SS_NOPREFIX draws the ampersand instead and underlines nothing.
  EXPECT_EQ(Count(plain, {0, row, 200, row + 1}, kBlack) < sWidth, true);
  EXPECT_GT(InkColumns(plain).second, l1);
}

TEST_F(TStaticTest, LongTextsBreakAtLinesAndBetweenWords) {
  HWND s = Make("STATIC", "one two three four\nfive", SS_LEFT, 0, 0, 60, 80);
  int rowsWithInk = 0;
  for (int line = 0; line < 6; ++line) {
    if (Count(s, {0, line * 13, 60, line * 13 + 13}, kBlack) > 0) ++rowsWithInk;
  }
  EXPECT_GE(rowsWithInk, 3);  // "one two", "three four" or so, and "five"
  // Nothing is drawn past the control's width: its last column is face.
  EXPECT_EQ(Count(s, {59, 0, 60, 80}, kBlack), 0);
  // A changed text repaints.
  SetWindowTextA(s, "");
  Pump();
  EXPECT_EQ(Count(s, {0, 0, 60, 80}, kBlack), 0);
}

TEST_F(TStaticTest, ClicksFallThroughToTheParent) {
  HWND s = Make("STATIC", "Slow", SS_LEFT, 10, 10, 60, 13);
  ClearLog();
  Click(s, 5, 5);
  const auto downs = Log({WM_LBUTTONDOWN});
  ASSERT_EQ(downs.size(), 1u);
  EXPECT_EQ(downs[0].hwnd, parent);
  EXPECT_EQ(downs[0].lParam, MAKELPARAM(15, 15));
}

TEST_F(TStaticTest, DisabledTextIsGrayed) {
  HWND s = Make("STATIC", "Slow", SS_LEFT, 0, 0, 60, 13);
  EnableWindow(s, FALSE);
  Pump();
  EXPECT_EQ(Count(s, {0, 0, 60, 13}, kBlack), 0);
  EXPECT_GT(Count(s, {0, 0, 60, 13}, 0x808080), 5);
  EXPECT_GT(Count(s, {0, 0, 60, 13}, 0xFFFFFF), 5);
}

TEST_F(TStaticTest, IconTakesItsOwnSizeAndDrawsTheNamedIcon) {
  // The template gives 27 by 33 pixels; the icon static takes 32 by 32 at the same place.
  HWND s = Make("STATIC", "Critter", SS_ICON, 90, 31, 27, 33, -1, klop::Module());
  ASSERT_NE(s, nullptr);
  RECT r{};
  GetClientRect(s, &r);
  EXPECT_EQ(r.right, 32);
  EXPECT_EQ(r.bottom, 32);
  GetWindowRect(s, &r);
  POINT origin{0, 0};
  ClientToScreen(parent, &origin);
  EXPECT_EQ(r.left - origin.x, 90);
  EXPECT_EQ(r.top - origin.y, 31);

  // The same as DrawIcon of that icon on the face colour.
  HDC dc = GetDC(parent);
  platform::look::FillFace(dc, {200, 100, 232, 132});
  ASSERT_TRUE(DrawIcon(dc, 200, 100, LoadIconA(klop::Module(), "Critter")));
  ReleaseDC(parent, dc);
  int differ = 0;
  int notFace = 0;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      differ += Pixel(s, x, y) != Pixel(parent, 200 + x, 100 + y) ? 1 : 0;
      notFace += Pixel(s, x, y) != kFace ? 1 : 0;
    }
  }
  EXPECT_EQ(differ, 0);
  EXPECT_GT(notFace, 100);

  // A name the module lacks shows nothing and keeps the given size.
  HWND none = Make("STATIC", "NoSuchIcon", SS_ICON, 0, 0, 27, 33, -1, klop::Module());
  ASSERT_NE(none, nullptr);
  GetClientRect(none, &r);
  EXPECT_EQ(r.right, 27);
  EXPECT_EQ(Count(none, {0, 0, 27, 33}, kFace), 27 * 33);
}

}  // namespace
