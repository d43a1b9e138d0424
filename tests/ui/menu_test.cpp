// Menus driven as a player drives them: the game's menu bar "DAZIZAZE" on a frame, by
// mouse and by keyboard, through the headless host.
#include <stdexcept>

#include "menu_test_support.h"
#include "platform/ui/menu_internal.h"
#include "tests/support/golden.h"

namespace klop_test {
namespace {

using TMenuMouse = TMenuTest;
using TMenuKeys = TMenuTest;
using TMenuLooks = TMenuTest;

constexpr WPARAM kNew = 100;
constexpr WPARAM kOptions = 101;
constexpr WPARAM kAbout = 102;
constexpr WPARAM kPause = 103;
constexpr WPARAM kStop = 104;

TEST_F(TMenuMouse, PressOpensThePopupAndAClickOnAnItemChoosesIt) {
  host.ClickAt(Ms(10), BarItem(0).x, BarItem(0).y);  // released on the bar: stays open
  At(50, [&] {
    EXPECT_EQ(Popups().size(), 1u);
    const POINT p = ItemCenter(Game(), 1);
    host.ClickAt(host.Now() + Ms(20), p.x, p.y);
  });
  RunFor(200);
  EXPECT_EQ(Commands(), (std::vector<WPARAM>{kOptions}));
  // WM_INITMENU once, then the popup's WM_INITMENUPOPUP, and the command last.
  EXPECT_EQ(Kinds({WM_INITMENU, WM_INITMENUPOPUP, WM_COMMAND}),
            (std::vector<UINT>{WM_INITMENU, WM_INITMENUPOPUP, WM_COMMAND}));
  const auto init = Log({WM_INITMENUPOPUP});
  ASSERT_EQ(init.size(), 1u);
  EXPECT_EQ(init[0].hwnd, frame);
  EXPECT_EQ(init[0].wParam, reinterpret_cast<WPARAM>(Game()));
  EXPECT_EQ(init[0].lParam, MAKELPARAM(0, FALSE));
  EXPECT_EQ(Log({WM_INITMENU})[0].wParam, reinterpret_cast<WPARAM>(bar));
  EXPECT_TRUE(Popups().empty());
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(TMenuMouse, PressDragAndReleaseOnAnItemChoosesIt) {
  host.MoveAt(Ms(10), BarItem(0).x, BarItem(0).y);
  host.PressAt(Ms(20));
  At(40, [&] {
    const POINT p = ItemCenter(Game(), 2);
    host.MoveAt(host.Now() + Ms(5), p.x, p.y - 20);
    host.MoveAt(host.Now() + Ms(10), p.x, p.y);
    host.ReleaseAt(host.Now() + Ms(15));
  });
  RunFor(200);
  EXPECT_EQ(Commands(), (std::vector<WPARAM>{kStop}));
}

TEST_F(TMenuMouse, APlainBarCommandActsAtOnce) {
  host.ClickAt(Ms(10), BarItem(1).x, BarItem(1).y);
  RunFor(100);
  EXPECT_EQ(Commands(), (std::vector<WPARAM>{kPause}));
  EXPECT_EQ(Log({WM_INITMENUPOPUP}).size(), 0u);
  EXPECT_EQ(host.ShownPopups().size(), 0u);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(TMenuMouse, MovingAlongTheBarSwitchesPopupsAndAPressOutsideCloses) {
  host.ClickAt(Ms(10), BarItem(0).x, BarItem(0).y);
  host.MoveAt(Ms(30), BarItem(2).x, BarItem(2).y);  // a command: the popup goes
  At(40, [&] { EXPECT_TRUE(Popups().empty()); });
  host.MoveAt(Ms(50), BarItem(0).x, BarItem(0).y);  // and comes back
  At(60, [&] { EXPECT_EQ(Popups().size(), 1u); });
  host.ClickAt(Ms(70), 900, 700);  // the bare desktop
  At(80, [&] { EXPECT_TRUE(Popups().empty()); });
  RunFor(100);
  EXPECT_TRUE(Commands().empty());
  EXPECT_EQ(Log({WM_INITMENUPOPUP}).size(), 2u);
  EXPECT_EQ(Log({WM_INITMENU}).size(), 1u);
}

TEST_F(TMenuMouse, AClickOnTheOpenItemALostCaptureOrALostActivationCloses) {
  host.ClickAt(Ms(10), BarItem(0).x, BarItem(0).y);
  host.ClickAt(Ms(30), BarItem(0).x, BarItem(0).y);
  At(40, [&] {
    EXPECT_TRUE(Popups().empty());
    EXPECT_EQ(GetCapture(), nullptr);
  });
  // The desktop takes the pointer from the menu: a click outside would never come.
  host.ClickAt(Ms(50), BarItem(0).x, BarItem(0).y);
  At(60, [&] { EXPECT_EQ(Popups().size(), 1u); });
  host.CaptureLostAt(Ms(70), platform::THeadlessHost::HostOf(frame));
  At(80, [&] {
    EXPECT_TRUE(Popups().empty());
    EXPECT_EQ(GetCapture(), nullptr);
  });
  host.ClickAt(Ms(90), BarItem(0).x, BarItem(0).y);
  host.FocusAt(Ms(110), platform::THeadlessHost::HostOf(frame), false);
  At(120, [&] { EXPECT_TRUE(Popups().empty()); });
  RunFor(150);
  EXPECT_TRUE(Commands().empty());
}

TEST_F(TMenuMouse, APopupIsAHostPopupUnderItsBarItemKeptOnTheWorkArea) {
  host.ClickAt(Ms(10), BarItem(0).x, BarItem(0).y);
  At(30, [&] {
    const std::vector<platform::HostWindow> shown = host.ShownPopups();
    ASSERT_EQ(shown.size(), 1u);
    const auto* w = host.Window(shown[0]);
    RECT item{};
    GetMenuItemRect(frame, bar, 0, &item);
    EXPECT_TRUE(w->asked.popup);
    EXPECT_EQ(w->asked.owner, platform::THeadlessHost::HostOf(frame));
    EXPECT_EQ(w->bounds.x, item.left);
    EXPECT_EQ(w->bounds.y, item.bottom);
    EXPECT_EQ(GetActiveWindow(), frame) << "a menu takes no activation";
    host.KeyAt(host.Now(), VK_ESCAPE, true);
    host.KeyAt(host.Now(), VK_ESCAPE, false);
    host.KeyAt(host.Now(), VK_ESCAPE, true);
  });
  RunFor(100);
  // Near the right edge of the work area the popup moves left to stay on it.
  const platform::HostRect wa = host.WorkArea();
  MoveWindow(frame, wa.width - 40, 100, 300, 200, TRUE);
  Pump();
  host.ClickAt(Ms(130), BarItem(0).x, BarItem(0).y);
  At(150, [&] {
    const std::vector<platform::HostWindow> shown = host.ShownPopups();
    ASSERT_EQ(shown.size(), 1u);
    const platform::HostRect b = host.Window(shown[0])->bounds;
    EXPECT_EQ(b.x + b.width, wa.x + wa.width);
    host.KeyAt(host.Now(), VK_ESCAPE, true);
    host.KeyAt(host.Now(), VK_ESCAPE, true);
  });
  RunFor(200);
}

TEST_F(TMenuMouse, APopupShowsWhatWmInitMenuPopupMadeOfIt) {
  // The command enablers' pass: the popup is built after its items were decided.
  handlers[frame] = [&](HWND, UINT msg, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
    if (msg == WM_INITMENUPOPUP) {
      EnableMenuItem(reinterpret_cast<HMENU>(wParam), 1, MF_BYPOSITION | MF_GRAYED);
    }
    return std::nullopt;
  };
  host.ClickAt(Ms(10), BarItem(0).x, BarItem(0).y);
  // The colours of the second row of the popup.
  const auto row = [&] {
    std::set<std::uint32_t> seen;
    const std::vector<HWND> popups = Popups();
    if (popups.size() != 1) return seen;
    RECT r{};
    GetClientRect(popups[0], &r);
    for (int y = 3 + 17; y < 3 + 34; ++y) {
      for (int x = 3; x < r.right - 3; ++x) seen.insert(host.PixelAt(popups[0], x, y));
    }
    return seen;
  };
  At(30, [&] {
    EXPECT_EQ(row(), (std::set<std::uint32_t>{kGrey, 0x808080, 0xFFFFFF})) << "embossed";
    const POINT p = ItemCenter(Game(), 1);
    host.ClickAt(host.Now() + Ms(5), p.x, p.y);
  });
  At(50, [&] {
    EXPECT_EQ(row(), (std::set<std::uint32_t>{kNavy, 0x808080})) << "selected, not chosen";
    Key(60, VK_ESCAPE);
    Key(61, VK_ESCAPE);
  });
  RunFor(100);
  EXPECT_TRUE(Commands().empty());
}

TEST_F(TMenuMouse, AGrayedItemCannotBeChosen) {
  EnableMenuItem(bar, kNew, MF_BYCOMMAND | MF_GRAYED);
  EnableMenuItem(bar, 1, MF_BYPOSITION | MF_GRAYED);  // "&Pause" on the bar
  host.ClickAt(Ms(10), BarItem(0).x, BarItem(0).y);
  At(30, [&] {
    const POINT p = ItemCenter(Game(), 0);
    host.ClickAt(host.Now() + Ms(5), p.x, p.y);
  });
  At(60, [&] {
    EXPECT_EQ(Popups().size(), 1u) << "the menu stays open";
    host.KeyAt(host.Now(), VK_ESCAPE, true);
    host.KeyAt(host.Now(), VK_ESCAPE, true);
  });
  host.ClickAt(Ms(100), BarItem(1).x, BarItem(1).y);
  RunFor(200);
  EXPECT_TRUE(Commands().empty());
  EXPECT_EQ(GetCapture(), nullptr);
}

// Where the host draws the caption, its icon asks for the system menu: a popup under
// the caption with what does not apply greyed, its choice a posted WM_SYSCOMMAND.
TEST_F(TMenuMouse, TheSystemMenuGreysWhatDoesNotApplyAndChoosesASystemCommand) {
  const platform::HostWindow h = platform::THeadlessHost::HostOf(frame);
  std::vector<UINT> states;
  HMENU shown = nullptr;
  host.SystemMenuAt(Ms(10), h);
  At(30, [&] {
    ASSERT_EQ(Popups().size(), 1u);
    RECT r{}, f{};
    GetWindowRect(Popups()[0], &r);
    GetWindowRect(frame, &f);
    POINT client{0, 0};
    ClientToScreen(frame, &client);
    EXPECT_EQ(r.left, client.x) << "under the caption, at the surface's left";
    EXPECT_EQ(r.top, client.y - 19) << "over the menu bar";
    shown = platform::PopupMenuOf(Popups()[0]);
    for (int i = 0; i < GetMenuItemCount(shown); ++i) {
      states.push_back(GetMenuState(shown, static_cast<UINT>(i), MF_BYPOSITION) & MF_GRAYED);
    }
    Key(40, 'N');  // Mi&nimize
  });
  RunFor(100);
  // Restore, Move, Size, Minimize, Maximize, separator, Close: a normal window can be
  // all but restored.
  EXPECT_EQ(states, (std::vector<UINT>{MF_GRAYED, 0, 0, 0, 0, 0, 0}));
  EXPECT_TRUE(Popups().empty());
  EXPECT_TRUE(IsIconic(frame));
  const auto init = Log({WM_INITMENUPOPUP});
  ASSERT_EQ(init.size(), 1u);
  EXPECT_EQ(HIWORD(init[0].lParam), TRUE) << "told as the system menu";
  EXPECT_TRUE(Commands().empty()) << "no WM_COMMAND for a system command";

  // Escape closes it unchosen, and the menu made for it goes with it.
  ShowWindow(frame, SW_RESTORE);
  const std::size_t menus = platform::LiveMenusForTesting();
  ClearLog();
  host.SystemMenuAt(Ms(110), h);
  At(130, [&] {
    EXPECT_EQ(Popups().size(), 1u);
    Key(140, VK_ESCAPE);
  });
  RunFor(200);
  EXPECT_TRUE(Popups().empty());
  EXPECT_FALSE(IsIconic(frame));
  EXPECT_TRUE(Log({WM_SYSCOMMAND}).empty() ||
              Log({WM_SYSCOMMAND}).back().wParam == SC_MOUSEMENU);
  EXPECT_EQ(platform::LiveMenusForTesting(), menus);
}

TEST_F(TMenuKeys, AltAndAMnemonicOpenThePopupAndItsMnemonicChooses) {
  AltKey(10, 'G');
  host.TypeAt(Ms(30), 'n');
  RunFor(100);
  EXPECT_EQ(Commands(), (std::vector<WPARAM>{kNew}));
  EXPECT_EQ(Kinds({WM_INITMENUPOPUP, WM_COMMAND}),
            (std::vector<UINT>{WM_INITMENUPOPUP, WM_COMMAND}));
}

TEST_F(TMenuKeys, KeysOfAFocusedChildReachTheFramesMenu) {
  const HWND kid = MakeChild(frame, 0, 0, 100, 100);
  SetFocus(kid);
  AltKey(10, 'G');
  host.TypeAt(Ms(30), 'o');
  RunFor(100);
  EXPECT_EQ(Commands(), (std::vector<WPARAM>{kOptions})) << "the frame gets the command";
  EXPECT_EQ(GetFocus(), kid);
}

TEST_F(TMenuKeys, AltAndABarCommandsMnemonicActsAtOnce) {
  AltKey(10, 'A');
  RunFor(100);
  EXPECT_EQ(Commands(), (std::vector<WPARAM>{kAbout}));
  EXPECT_EQ(Log({WM_INITMENUPOPUP}).size(), 0u);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(TMenuKeys, AGrayedItemCannotBeChosenByItsMnemonicNorByEnter) {
  EnableMenuItem(bar, kNew, MF_BYCOMMAND | MF_GRAYED);
  EnableMenuItem(bar, kPause, MF_BYCOMMAND | MF_GRAYED);
  AltKey(10, 'G');
  host.TypeAt(Ms(30), 'n');
  Key(40, VK_RETURN);  // "&New" is selected first, grayed as it is
  Key(50, VK_ESCAPE);
  Key(60, VK_ESCAPE);
  AltKey(70, 'P');
  Key(90, VK_ESCAPE);
  RunFor(150);
  EXPECT_TRUE(Commands().empty());
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(TMenuKeys, AltAloneSelectsTheBarAndArrowsEnterAndMoveThroughPopups) {
  Key(10, VK_MENU, platform::kModAlt, true);
  Key(20, VK_MENU, 0, false);
  At(25, [&] {
    EXPECT_EQ(GetCapture(), frame) << "menu mode";
    EXPECT_TRUE(Popups().empty()) << "the bar is selected, no popup yet";
    EXPECT_EQ(BarPixel(0), kNavy);
    EXPECT_EQ(BarPixel(1), kGrey);
  });
  Key(30, VK_RIGHT);
  At(35, [&] {
    EXPECT_EQ(BarPixel(0), kGrey);
    EXPECT_EQ(BarPixel(1), kNavy);
  });
  Key(40, VK_RIGHT);
  Key(50, VK_RIGHT);  // round to "&Game": still no popup
  At(55, [&] { EXPECT_TRUE(Popups().empty()); });
  Key(60, VK_DOWN);  // opens it, first item selected
  At(65, [&] { EXPECT_EQ(Popups().size(), 1u); });
  Key(70, VK_DOWN);
  Key(80, VK_RIGHT);  // into the neighbour: a command, selected without a popup
  At(85, [&] { EXPECT_TRUE(Popups().empty()); });
  Key(90, VK_LEFT);  // back into "&Game", which opens again
  At(95, [&] { EXPECT_EQ(Popups().size(), 1u); });
  Key(100, VK_UP);  // from "&New" round to "&Stop"
  Key(110, VK_RETURN);
  RunFor(200);
  EXPECT_EQ(Commands(), (std::vector<WPARAM>{kStop}));
  EXPECT_EQ(Log({WM_INITMENU}).size(), 1u);
  EXPECT_EQ(Log({WM_INITMENUPOPUP}).size(), 2u);
}

TEST_F(TMenuKeys, EscapeBacksOutOneLevelAndAltOrF10Leave) {
  AltKey(10, 'G');
  Key(30, VK_ESCAPE);
  At(35, [&] {
    EXPECT_TRUE(Popups().empty());
    EXPECT_EQ(GetCapture(), frame) << "the bar item stays selected";
    EXPECT_EQ(BarPixel(0), kNavy);
  });
  Key(40, VK_ESCAPE);
  At(45, [&] {
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(BarPixel(0), kGrey);
  });
  Key(50, VK_F10, 0, true);
  Key(51, VK_F10, 0, false);
  At(55, [&] { EXPECT_EQ(GetCapture(), frame); });
  Key(60, VK_MENU, platform::kModAlt, true);
  Key(61, VK_MENU, 0, false);
  At(65, [&] { EXPECT_EQ(GetCapture(), nullptr); });
  RunFor(100);
  EXPECT_TRUE(Commands().empty());
}

TEST_F(TMenuKeys, AltReleasedAfterAltAndAKeyDoesNotEnterMenuMode) {
  Key(10, VK_MENU, platform::kModAlt, true);
  Key(20, 'X', platform::kModAlt, true);  // no item has this mnemonic
  Key(30, 'X', platform::kModAlt, false);
  Key(40, VK_MENU, 0, false);
  At(50, [&] { EXPECT_EQ(GetCapture(), nullptr); });
  RunFor(60);
  EXPECT_EQ(Log({WM_INITMENU}).size(), 0u);
}

TEST_F(TMenuTest, AnErrorThrownFromAMenuMessageLeavesNoMenuModeBehind) {
  handlers[frame] = [&](HWND, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (msg == WM_INITMENUPOPUP) throw std::runtime_error("enabler failed");
    return std::nullopt;
  };
  host.ClickAt(Ms(10), BarItem(0).x, BarItem(0).y);
  EXPECT_THROW(RunFor(50), std::runtime_error);
  EXPECT_TRUE(Popups().empty());
  EXPECT_EQ(GetCapture(), nullptr);
  handlers.erase(frame);
  AltKey(60, 'P');  // menu mode works again
  RunFor(100);
  EXPECT_EQ(Commands(), (std::vector<WPARAM>{kPause}));
}

TEST_F(TMenuTest, TheThreadKeepsRunningWhileAPopupIsOpen) {
  ASSERT_EQ(SetTimer(frame, 1, 100, nullptr), 1u);
  host.ClickAt(Ms(5), BarItem(0).x, BarItem(0).y);
  int ticksWhileOpen = 0;
  handlers[frame] = [&](HWND, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (msg == WM_TIMER && !Popups().empty()) ++ticksWhileOpen;
    return std::nullopt;
  };
  host.KeyAt(Ms(1050), VK_ESCAPE, true);
  host.KeyAt(Ms(1060), VK_ESCAPE, true);
  RunFor(1100);
  KillTimer(frame, 1);
  EXPECT_EQ(ticksWhileOpen, 10);
  const auto idle = Log({WM_ENTERIDLE});
  ASSERT_FALSE(idle.empty());
  EXPECT_EQ(idle[0].hwnd, frame);
  EXPECT_EQ(idle[0].wParam, static_cast<WPARAM>(MSGF_MENU));
  EXPECT_TRUE(IsWindow(reinterpret_cast<HWND>(idle[0].lParam)) == FALSE)
      << "the popup named there is gone now";
  EXPECT_NE(idle[0].lParam, 0);
}

TEST_F(TMenuLooks, ModifyAndEnableChangeWhatTheBarShowsAtDrawMenuBar) {
  RECT about{};
  GetMenuItemRect(frame, bar, 2, &about);
  const std::vector<std::uint32_t> before = BarPixels();
  ASSERT_TRUE(ModifyMenuA(bar, kPause, MF_BYCOMMAND | MF_STRING, kPause, "&Continue"));
  Pump();
  EXPECT_EQ(BarPixels(), before) << "nothing shows before DrawMenuBar";
  DrawMenuBar(frame);
  Pump();
  RECT moved{};
  GetMenuItemRect(frame, bar, 2, &moved);
  EXPECT_GT(moved.left, about.left) << "the longer text pushes \"&About\" right";
  EXPECT_NE(BarPixels(), before);
  ModifyMenuA(bar, kPause, MF_BYCOMMAND | MF_STRING, kPause, "&Pause");
  DrawMenuBar(frame);
  Pump();
  EXPECT_EQ(BarPixels(), before) << "the bar is laid out afresh";

  // Grayed: the item's text has no black left, only the embossed grey and white.
  const auto [left, right] = BarColumns(1);
  const auto colours = [&, left = left, right = right] {
    std::set<std::uint32_t> seen;
    for (LONG y = 0; y < 19; ++y) {
      for (LONG x = left; x < right; ++x) seen.insert(SurfaceBarPixel(x, y));
    }
    return seen;
  };
  EXPECT_TRUE(colours().count(0x000000));
  EXPECT_EQ(EnableMenuItem(bar, 1, MF_BYPOSITION | MF_GRAYED), static_cast<UINT>(MF_ENABLED));
  DrawMenuBar(frame);
  Pump();
  EXPECT_EQ(colours(), (std::set<std::uint32_t>{kGrey, 0x808080, 0xFFFFFF}));
}

// The bar with "&Game" open by keyboard, "&Options..." selected and "&Stop" grayed: the
// frame's top rows with the popup where it shows over them.
TEST_F(TMenuLooks, TheBarWithTheGamePopupOpen) {
  EnableMenuItem(bar, kStop, MF_BYCOMMAND | MF_GRAYED);
  AltKey(10, 'G');
  Key(20, VK_DOWN);
  constexpr int kWidth = 160;
  constexpr int kHeight = 19 + 57 + 6;
  std::vector<std::uint32_t> image;
  At(30, [&] {
    const std::vector<HWND> popups = Popups();
    ASSERT_EQ(popups.size(), 1u);
    POINT origin{0, 0};
    ClientToScreen(frame, &origin);
    origin.y -= 19;
    RECT pr{};
    GetWindowRect(popups[0], &pr);
    EXPECT_EQ(pr.bottom - pr.top, 57) << "three rows of 17 in a 3-pixel frame";
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        const POINT s{origin.x + x, origin.y + y};
        const bool over = s.x >= pr.left && s.x < pr.right && s.y >= pr.top && s.y < pr.bottom;
        image.push_back(over ? host.PixelAt(popups[0], s.x - pr.left, s.y - pr.top)
                             : SurfaceBarPixel(x, y));
      }
    }
    Key(40, VK_ESCAPE);
    Key(41, VK_ESCAPE);
  });
  RunFor(60);
  ASSERT_EQ(image.size(), static_cast<std::size_t>(kWidth * kHeight));
  const klop::test::TPixels p{kWidth, kHeight, image};
  // "Game" highlighted in navy on the bar; under it the raised popup, "Options..."
  // highlighted in navy, "Stop" embossed in grey and white without black.
  EXPECT_EQ(p.At(0, 1), 0x000080u);
  EXPECT_GT(p.Count(0, 1, 38, 18, 0xFFFFFF), 20);
  EXPECT_EQ(p.At(0, 19), 0xFFFFFFu);
  EXPECT_EQ(p.At(87, 19), 0x000000u);
  EXPECT_EQ(p.At(3, 39), 0x000080u);
  EXPECT_EQ(p.Count(3, 57, 86, 74, 0x000000), 0);
  EXPECT_GT(p.Count(3, 57, 86, 74, 0x808080), 10);
  klop::test::ExpectGolden("menu_game_popup", p);
}

}  // namespace
}  // namespace klop_test
