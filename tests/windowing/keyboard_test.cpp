// Keys to the focus window, and the characters TranslateMessage makes of them.
#include "windowing_fixture.h"

namespace klop_test {
namespace {

using TKeyboard = TWindowingTest;

std::vector<WPARAM> Chars(const std::vector<TRecorded>& log, UINT kind) {
  std::vector<WPARAM> out;
  for (const TRecorded& r : log) {
    if (r.msg == kind) out.push_back(r.wParam);
  }
  return out;
}

TEST_F(TKeyboard, KeysGoToTheFocusWindowAndTypedTextBecomesWmChar) {
  HWND top = MakeTop();
  HWND edit = MakeChild(top, 0, 0, 50, 20);
  Pump();
  SetFocus(edit);
  ClearLog();
  host.TypeAt(Ms(0), 'a');
  host.TypeAt(Ms(1), 'A');
  host.KeyAt(Ms(2), '2', true);
  host.TextAt(Ms(2), "\xC3\xA9");  // a layout where that key types e-acute
  host.KeyAt(Ms(2), '2', false);
  host.AdvanceTime(Ms(2));
  Pump();
  const auto keys = Log({WM_KEYDOWN, WM_KEYUP, WM_CHAR});
  for (const TRecorded& r : keys) EXPECT_EQ(r.hwnd, edit);
  EXPECT_EQ(Kinds({WM_KEYDOWN, WM_KEYUP, WM_CHAR}),
            (std::vector<UINT>{WM_KEYDOWN, WM_CHAR, WM_KEYUP, WM_KEYDOWN, WM_CHAR, WM_KEYUP,
                               WM_KEYDOWN, WM_CHAR, WM_KEYUP}));
  EXPECT_EQ(Chars(log, WM_CHAR), (std::vector<WPARAM>{'a', 'A', 0xE9}));
  EXPECT_EQ(keys[0].wParam, static_cast<WPARAM>('A'));
  EXPECT_EQ(keys[0].lParam & 0xFFFF, 1) << "repeat count";
  EXPECT_EQ(static_cast<std::uint32_t>(keys[2].lParam) >> 30, 3u) << "released, was down";
}

TEST_F(TKeyboard, KeysWithoutTextGetTheirCharacterFromTheKey) {
  HWND top = MakeTop();
  Pump();
  ClearLog();
  for (unsigned vk : {VK_RETURN, VK_ESCAPE, VK_BACK, VK_TAB}) {
    host.KeyAt(Ms(0), vk, true);
    host.KeyAt(Ms(0), vk, false);
  }
  host.KeyAt(Ms(0), 'C', true, platform::kModCtrl);
  host.KeyAt(Ms(0), VK_LEFT, true);  // types nothing
  Pump();
  EXPECT_EQ(Chars(log, WM_CHAR), (std::vector<WPARAM>{'\r', 0x1B, 0x08, '\t', 0x03}));
  EXPECT_EQ(Chars(log, WM_KEYDOWN).back(), static_cast<WPARAM>(VK_LEFT));
  (void)top;
}

TEST_F(TKeyboard, AltMakesSystemKeysAndAltF4Closes) {
  HWND top = MakeTop();
  Pump();
  ClearLog();
  host.KeyAt(Ms(0), 'G', true, platform::kModAlt);
  host.KeyAt(Ms(0), 'G', false, platform::kModAlt);
  Pump();
  EXPECT_EQ(Kinds({WM_KEYDOWN, WM_SYSKEYDOWN, WM_SYSCHAR, WM_SYSKEYUP, WM_CHAR}),
            (std::vector<UINT>{WM_SYSKEYDOWN, WM_SYSCHAR, WM_SYSKEYUP}));
  EXPECT_EQ(Chars(log, WM_SYSCHAR), (std::vector<WPARAM>{'g'}));
  EXPECT_TRUE(Log({WM_SYSKEYDOWN})[0].lParam & (LPARAM{1} << 29)) << "the Alt context bit";
  host.KeyAt(Ms(0), VK_F4, true, platform::kModAlt);
  Pump();
  EXPECT_FALSE(IsWindow(top));
}

TEST_F(TKeyboard, AltGrTypesCharactersAndIsNoSystemKey) {
  MakeTop();
  Pump();
  ClearLog();
  host.KeyAt(Ms(0), 'Q', true, platform::kModCtrl | platform::kModAlt);
  host.TextAt(Ms(0), "@");
  host.TypeAt(Ms(0), '.');
  Pump();
  EXPECT_EQ(Kinds({WM_SYSKEYDOWN, WM_SYSCHAR}).size(), 0u);
  EXPECT_EQ(Chars(log, WM_CHAR), (std::vector<WPARAM>{'@', '.'}));
}

TEST_F(TKeyboard, WithoutFocusKeysReachTheActiveWindowAsSystemKeys) {
  HWND top = MakeTop();
  Pump();
  SetFocus(nullptr);
  ASSERT_EQ(GetActiveWindow(), top);
  ClearLog();
  host.KeyAt(Ms(0), 'X', true);
  Pump();
  const auto got = Log({WM_KEYDOWN, WM_SYSKEYDOWN});
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].msg, static_cast<UINT>(WM_SYSKEYDOWN));
  EXPECT_EQ(got[0].hwnd, top);
}

TEST_F(TKeyboard, TextWithoutAKeyStillArrivesAndUnrepresentableCharactersAreDropped) {
  HWND top = MakeTop();
  Pump();
  ClearLog();
  host.TextAt(Ms(0), "x\xE2\x82\xACy");  // x, the euro sign, y
  Pump();
  EXPECT_EQ(Chars(log, WM_CHAR), (std::vector<WPARAM>{'x', 'y'}));
  for (const TRecorded& r : Log({WM_CHAR})) EXPECT_EQ(r.hwnd, top);
}

}  // namespace
}  // namespace klop_test
