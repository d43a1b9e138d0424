// Push buttons driven by mouse and keyboard: a click on release inside only, Space,
// BM_CLICK, the default style, and their looks.
#include <gtest/gtest.h>

#include "control_test_support.h"
#include "tests/support/golden.h"

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kBlack = 0x000000;
constexpr std::uint32_t kGrey = 0x808080;

class TButtonTest : public klop_test::TControlTest {
 protected:
  void SetUp() override {
    TControlTest::SetUp();
    button = Make("BUTTON", "OK", BS_PUSHBUTTON | WS_TABSTOP, 20, 20, 72, 23, IDOK);
    other = Make("BUTTON", "&Cancel", BS_PUSHBUTTON | WS_TABSTOP, 100, 20, 72, 23, IDCANCEL);
    ClearLog();
  }
  bool LooksPressed() const {
    return Pixel(button, 0, 0) == kBlack && Pixel(button, 1, 1) == kGrey;
  }
  bool LooksRaised() const {
    return Pixel(button, 0, 0) == kWhite && Pixel(button, 71, 22) == kBlack;
  }

  HWND button = nullptr;
  HWND other = nullptr;
};

TEST_F(TButtonTest, MouseClicksOnReleaseInsideOnly) {
  Press(button, 10, 10);
  EXPECT_TRUE(LooksPressed());
  EXPECT_EQ(GetFocus(), button);
  EXPECT_TRUE(Notes(button).empty());
  Release();
  EXPECT_EQ(Notes(button), std::vector<int>{BN_CLICKED});
  EXPECT_TRUE(LooksRaised());
  EXPECT_EQ(GetCapture(), nullptr);

  // Out while held: raised again; released outside: no click.
  ClearLog();
  Press(button, 10, 10);
  MoveTo(button, 100, 10);
  EXPECT_TRUE(LooksRaised());
  Release();
  EXPECT_TRUE(Notes(button).empty());
  EXPECT_EQ(GetCapture(), nullptr);

  // Out and back in: pressed again, and the release clicks.
  Press(button, 10, 10);
  MoveTo(button, -5, 10);
  MoveTo(button, 60, 20);
  EXPECT_TRUE(LooksPressed());
  Release();
  EXPECT_EQ(Notes(button), std::vector<int>{BN_CLICKED});
  EXPECT_TRUE(Notes(other).empty());
}

TEST_F(TButtonTest, SpaceClicksOnRelease) {
  SetFocus(other);
  Pump();
  KeyDown(VK_SPACE);
  EXPECT_TRUE(Notes(other).empty());
  KeyUp(VK_SPACE);
  EXPECT_EQ(Notes(other), std::vector<int>{BN_CLICKED});
  // Focus lost while Space is down: no click at its release.
  ClearLog();
  KeyDown(VK_SPACE);
  SetFocus(button);
  KeyUp(VK_SPACE);
  EXPECT_TRUE(Notes(other).empty());
  EXPECT_TRUE(Notes(button).empty());
  // Other keys do nothing.
  Key(VK_RETURN);
  Key('A');
  EXPECT_TRUE(Notes(button).empty());
}

TEST_F(TButtonTest, MessagesClickAndSetTheStyle) {
  SendMessageA(button, BM_CLICK, 0, 0);
  EXPECT_EQ(Notes(button), std::vector<int>{BN_CLICKED});
  EXPECT_EQ(SendMessageA(button, WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON);
  SendMessageA(button, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
  EXPECT_EQ(SendMessageA(button, WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_DEFPUSHBUTTON);
  EXPECT_EQ(GetWindowLongPtrA(button, GWL_STYLE) & 0x0F, static_cast<LONG_PTR>(BS_DEFPUSHBUTTON));
  Pump();
  // A default button has a black frame around its raised edge.
  EXPECT_EQ(Pixel(button, 0, 0), kBlack);
  EXPECT_EQ(Pixel(button, 1, 1), kWhite);
  SendMessageA(button, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
  Pump();
  EXPECT_EQ(Pixel(button, 0, 0), kWhite);

  // Disabled: no click by any means, and the caption is grayed.
  ClearLog();
  EnableWindow(button, FALSE);
  Pump();
  Click(button, 10, 10);
  SendMessageA(button, BM_CLICK, 0, 0);
  EXPECT_TRUE(Notes(button).empty());
  EXPECT_EQ(Count(button, {2, 2, 70, 21}, kBlack), 0);
}

TEST_F(TButtonTest, FocusShowsADottedRectangle) {
  SetFocus(button);
  Pump();
  EXPECT_EQ(Pixel(button, 4, 4), kBlack);
  EXPECT_EQ(Pixel(button, 5, 4), 0xC0C0C0);
  EXPECT_EQ(Pixel(button, 6, 4), kBlack);
  SetFocus(other);
  Pump();
  EXPECT_EQ(Pixel(button, 4, 4), 0xC0C0C0);
}

TEST_F(TButtonTest, LooksMatchTheGolden) {
  // Normal, default, pressed (which takes the focus), disabled.
  HWND focused = Make("BUTTON", "&Cancel", BS_DEFPUSHBUTTON, 10, 60, 72, 23, 3);
  HWND pressed = Make("BUTTON", "OK", BS_PUSHBUTTON, 90, 60, 72, 23, 4);
  HWND disabled = Make("BUTTON", "&Off", BS_PUSHBUTTON | WS_DISABLED, 170, 60, 72, 23, 5);
  SetFocus(focused);
  Pump();
  Press(pressed, 30, 10);
  std::vector<std::uint32_t> pixels;
  for (int y = 0; y < 23; ++y) {
    for (HWND h : {button, focused, pressed, disabled}) {
      for (int x = 0; x < 72; ++x) pixels.push_back(Pixel(h, x, y));
    }
  }
  klop::test::TPixels p{72 * 4, 23, pixels};
  // Normal: raised, white at the top left, a grey then black shadow at the bottom right.
  EXPECT_EQ(p.At(0, 0), kWhite);
  EXPECT_EQ(p.At(70, 1), 0x808080u);
  EXPECT_EQ(p.At(71, 0), kBlack);
  // Default: framed in black around the raised face.
  EXPECT_EQ(p.At(72, 0), kBlack);
  EXPECT_EQ(p.At(73, 1), kWhite);
  // Pressed: black frame, grey inside it, and the focus's dots.
  EXPECT_EQ(p.At(144, 0), kBlack);
  EXPECT_EQ(p.At(145, 1), 0x808080u);
  EXPECT_EQ(p.At(148, 4), kBlack);
  EXPECT_EQ(p.At(149, 4), 0xC0C0C0u);
  // Disabled: its caption embossed in grey and white, no black.
  EXPECT_EQ(p.Count(218, 2, 286, 21, kBlack), 0);
  EXPECT_GT(p.Count(218, 2, 286, 21, 0x808080), 20);
  EXPECT_GT(p.Count(218, 2, 286, 21, kWhite), 20);
  klop::test::ExpectGolden("button_states", p);
  Release();
}

}  // namespace
