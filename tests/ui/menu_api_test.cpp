// The menu objects: loading templates (damaged ones refused), reading and changing
// items, menu bars on windows and the frame fitted around one.
#include <cstdint>
#include <cstring>
#include <string>

#include "menu_test_support.h"
#include "platform/resources/resource_table.h"

namespace klop_test {
namespace {

using TMenuApi = TMenuTest;

// A menu template: words and UTF-16 strings, little-endian.
struct TTemplate {
  std::vector<std::uint8_t> bytes;
  TTemplate& W(unsigned w) {
    bytes.push_back(static_cast<std::uint8_t>(w & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(w >> 8));
    return *this;
  }
  TTemplate& S(const char* s) {
    for (; *s != '\0'; ++s) W(static_cast<unsigned char>(*s));
    return W(0);
  }
};

// Registers `t` as the only menu, "M", of a module of its own.
HINSTANCE ModuleWith(const TTemplate& t) {
  static std::vector<std::unique_ptr<std::vector<std::uint8_t>>> keep;
  static std::vector<std::unique_ptr<platform::ResourceEntry>> entries;
  static std::vector<std::unique_ptr<platform::ResourceTable>> tables;
  keep.push_back(std::make_unique<std::vector<std::uint8_t>>(t.bytes));
  entries.push_back(std::make_unique<platform::ResourceEntry>(platform::ResourceEntry{
      platform::ResourceKind::Menu, "M", keep.back()->data(), keep.back()->size()}));
  tables.push_back(
      std::make_unique<platform::ResourceTable>(platform::ResourceTable{entries.back().get(), 1}));
  return platform::RegisterModule(*tables.back());
}

constexpr unsigned kEnd = MF_END;

TEST_F(TMenuApi, TheGamesMenuLoadsAsTheBarWithOnePopupAndTwoCommands) {
  const HMENU m = LoadMenuA(klop::Module(), "dazizaze");  // any letter case
  ASSERT_NE(m, nullptr);
  ASSERT_EQ(GetMenuItemCount(m), 3);
  EXPECT_EQ(GetMenuItemID(m, 0), static_cast<UINT>(-1)) << "a popup has no id";
  EXPECT_EQ(GetMenuItemID(m, 1), 103u);
  EXPECT_EQ(GetMenuItemID(m, 2), 102u);
  EXPECT_EQ(GetMenuItemID(m, 3), static_cast<UINT>(-1));
  const HMENU game = GetSubMenu(m, 0);
  ASSERT_NE(game, nullptr);
  EXPECT_EQ(GetSubMenu(m, 1), nullptr);
  EXPECT_EQ(GetMenuItemCount(game), 3);
  char text[32];
  const struct {
    HMENU menu;
    UINT item;
    UINT flags;
    const char* text;
  } items[] = {{m, 0, MF_BYPOSITION, "&Game"},        {game, 100, MF_BYCOMMAND, "&New"},
               {m, 101, MF_BYCOMMAND, "&Options..."}, {game, 2, MF_BYPOSITION, "&Stop"},
               {m, 103, MF_BYCOMMAND, "&Pause"},      {m, 2, MF_BYPOSITION, "&About"}};
  for (const auto& c : items) {
    EXPECT_EQ(GetMenuStringA(c.menu, c.item, text, sizeof text, c.flags),
              static_cast<int>(std::strlen(c.text)));
    EXPECT_STREQ(text, c.text);
    EXPECT_EQ(GetMenuState(c.menu, c.item, c.flags) & (MF_GRAYED | MF_DISABLED | MF_CHECKED), 0u);
  }
  EXPECT_EQ(GetMenuState(m, 0, MF_BYPOSITION), (3u << 8) | MF_POPUP) << "count and kind";
  EXPECT_EQ(GetMenuStringA(m, 1, text, 4, MF_BYPOSITION), 3);
  EXPECT_STREQ(text, "&Pa");
  EXPECT_EQ(GetMenuStringA(m, 1, nullptr, 0, MF_BYPOSITION), 6);
  EXPECT_EQ(GetMenuStringA(m, 999, text, sizeof text, MF_BYCOMMAND), 0);
  EXPECT_EQ(LoadMenuA(klop::Module(), "About"), nullptr) << "a dialog, not a menu";
  EXPECT_EQ(LoadMenuA(klop::Module(), "NONE"), nullptr);
  EXPECT_TRUE(DestroyMenu(m));
  EXPECT_FALSE(IsMenu(m));
  EXPECT_FALSE(IsMenu(game)) << "its popups go with it";
  EXPECT_FALSE(DestroyMenu(m));
}

TEST_F(TMenuApi, ATemplatesSeparatorsStatesAndNestedPopupsLoad) {
  TTemplate t;
  t.W(0).W(0);
  t.W(MF_POPUP).S("&File");
  t.W(MF_GRAYED).W(1).S("&Open");
  t.W(0).W(0).S("");  // a separator
  t.W(MF_POPUP | kEnd).S("&Recent");
  t.W(MF_CHECKED | kEnd).W(2).S("one");
  t.W(kEnd).W(3).S("&Quit");
  const HMENU m = LoadMenuA(ModuleWith(t), "m");
  ASSERT_NE(m, nullptr);
  ASSERT_EQ(GetMenuItemCount(m), 2);
  const HMENU file = GetSubMenu(m, 0);
  ASSERT_EQ(GetMenuItemCount(file), 3);
  EXPECT_EQ(GetMenuState(file, 1, MF_GRAYED), static_cast<UINT>(MF_GRAYED));
  EXPECT_EQ(GetMenuState(file, 1, MF_BYPOSITION), static_cast<UINT>(MF_SEPARATOR));
  EXPECT_EQ(GetMenuState(m, 2, MF_BYCOMMAND), static_cast<UINT>(MF_CHECKED)) << "found deep down";
  EXPECT_EQ(GetMenuItemID(m, 1), 3u);
  DestroyMenu(m);
}

TEST_F(TMenuApi, DamagedTemplatesAreRefused) {
  const auto good = [] {
    TTemplate t;
    return t.W(0).W(0).W(MF_POPUP).S("&Game").W(kEnd).W(100).S("&New").W(kEnd).W(103).S("&Pause");
  };
  struct TCase {
    const char* what;
    TTemplate t;
  };
  std::vector<TCase> cases;
  const TTemplate whole = good();
  // Every length short of the whole: each read meets the end somewhere.
  for (std::size_t cut = 0; cut < whole.bytes.size(); ++cut) {
    TTemplate t;
    t.bytes.assign(whole.bytes.begin(), whole.bytes.begin() + static_cast<std::ptrdiff_t>(cut));
    cases.push_back({"cut short", t});
  }
  TTemplate noEnd = good();
  ASSERT_EQ(noEnd.bytes[32], MF_END);
  noEnd.bytes[32] = 0;  // "&Pause" loses MF_END, and nothing follows it
  cases.push_back({"no last item", noEnd});
  {
    TTemplate t;
    cases.push_back({"version 1", t.W(1).W(0).W(kEnd).W(1).S("x")});
  }
  {
    TTemplate t;
    cases.push_back({"header past the end", t.W(0).W(200).W(kEnd).W(1).S("x")});
  }
  {
    TTemplate t;
    cases.push_back({"bitmap item", t.W(0).W(0).W(MF_BITMAP | kEnd).W(1).S("x")});
  }
  {
    TTemplate t;
    cases.push_back({"unknown flag", t.W(0).W(0).W(0x8000 | kEnd).W(1).S("x")});
  }
  {
    TTemplate t;
    t.W(0).W(0);
    for (int i = 0; i < 40; ++i) t.W(MF_POPUP | kEnd).S("deep");
    t.W(kEnd).W(1).S("x");
    cases.push_back({"popups nested past any use", t});
  }
  {
    TTemplate t;
    t.W(0).W(0).W(kEnd).W(1).W('a').W('b');  // the text never ends
    cases.push_back({"unterminated text", t});
  }
  const HMENU ok = LoadMenuA(ModuleWith(good()), "M");
  EXPECT_NE(ok, nullptr) << "the undamaged one loads";
  DestroyMenu(ok);
  for (const TCase& c : cases) {
    EXPECT_EQ(LoadMenuA(ModuleWith(c.t), "M"), nullptr) << c.what << ", " << c.t.bytes.size();
  }
}

TEST_F(TMenuApi, EnableMenuItemAnswersThePreviousStateAndModifyReplacesItAll) {
  const HMENU game = Game();
  EXPECT_EQ(EnableMenuItem(bar, 0, MF_BYPOSITION | MF_GRAYED), static_cast<UINT>(MF_ENABLED));
  EXPECT_EQ(EnableMenuItem(bar, 0, MF_BYPOSITION | MF_ENABLED), static_cast<UINT>(MF_GRAYED));
  EXPECT_EQ(EnableMenuItem(bar, 101, MF_BYCOMMAND | MF_DISABLED), static_cast<UINT>(MF_ENABLED))
      << "by command through the popup";
  EXPECT_EQ(EnableMenuItem(game, 1, MF_BYPOSITION | MF_GRAYED | MF_DISABLED),
            static_cast<UINT>(MF_DISABLED));
  EXPECT_EQ(EnableMenuItem(game, 101, MF_BYCOMMAND), static_cast<UINT>(MF_GRAYED | MF_DISABLED));
  EXPECT_EQ(EnableMenuItem(bar, 999, MF_BYCOMMAND), static_cast<UINT>(-1));
  EXPECT_EQ(EnableMenuItem(bar, 3, MF_BYPOSITION), static_cast<UINT>(-1));
  EXPECT_EQ(EnableMenuItem(nullptr, 0, MF_BYPOSITION), static_cast<UINT>(-1));

  // The state becomes exactly the flags given: a check mark goes unless passed again.
  ASSERT_TRUE(ModifyMenuA(game, 104, MF_BYCOMMAND | MF_STRING | MF_CHECKED, 104, "&Stop"));
  ASSERT_TRUE(ModifyMenuA(bar, 104, MF_BYCOMMAND | MF_STRING | MF_GRAYED, 105, "S&top"));
  EXPECT_EQ(GetMenuState(game, 2, MF_BYPOSITION), static_cast<UINT>(MF_GRAYED));
  EXPECT_EQ(GetMenuItemID(game, 2), 105u);
  char text[16];
  GetMenuStringA(game, 105, text, sizeof text, MF_BYCOMMAND);
  EXPECT_STREQ(text, "S&top");
  EXPECT_FALSE(ModifyMenuA(bar, 104, MF_BYCOMMAND | MF_STRING, 104, "x")) << "no such id now";
  // A popup replaced by a command is destroyed.
  ASSERT_TRUE(ModifyMenuA(bar, 0, MF_BYPOSITION | MF_STRING, 110, "&Game"));
  EXPECT_FALSE(IsMenu(game));
  EXPECT_EQ(GetMenuItemID(bar, 0), 110u);
}

TEST_F(TMenuApi, MadeMenusAndTheirMisuse) {
  const HMENU pop = CreatePopupMenu();
  const HMENU m = CreateMenu();
  EXPECT_TRUE(AppendMenuA(pop, MF_STRING, 1, "&One"));
  EXPECT_TRUE(AppendMenuA(pop, MF_SEPARATOR, 0, nullptr));
  EXPECT_TRUE(AppendMenuA(m, MF_POPUP, reinterpret_cast<UINT_PTR>(pop), "&Menu"));
  EXPECT_FALSE(AppendMenuA(pop, MF_POPUP, reinterpret_cast<UINT_PTR>(m), "loop"))
      << "a menu inside itself";
  EXPECT_FALSE(AppendMenuA(m, MF_POPUP, 12345, "no menu"));
  EXPECT_FALSE(AppendMenuA(m, MF_OWNERDRAW, 3, nullptr));
  EXPECT_FALSE(AppendMenuA(nullptr, MF_STRING, 1, "x"));
  EXPECT_EQ(GetMenuItemCount(pop), 2);
  EXPECT_EQ(GetMenuItemCount(nullptr), -1);
  EXPECT_EQ(GetMenuState(pop, 1, MF_BYPOSITION), static_cast<UINT>(MF_SEPARATOR));
  // A menu bar on a window: the client shrinks by its row, and goes with the window.
  HWND top = MakeTop(200, 150);
  RECT before{};
  GetClientRect(top, &before);
  EXPECT_FALSE(SetMenu(top, reinterpret_cast<HMENU>(std::uintptr_t{0x1234})));
  ASSERT_TRUE(SetMenu(top, m));
  EXPECT_EQ(GetMenu(top), m);
  RECT after{};
  GetClientRect(top, &after);
  EXPECT_EQ(after.bottom, before.bottom - GetSystemMetrics(SM_CYMENU));
  EXPECT_FALSE(SetMenu(MakeChild(top, 0, 0, 10, 10), m)) << "children have no menu bar";
  DestroyWindow(top);
  EXPECT_FALSE(IsMenu(m));
  EXPECT_FALSE(IsMenu(pop));
  EXPECT_EQ(CreateWindowExA(0, kClass, "x", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                            reinterpret_cast<HMENU>(std::uintptr_t{0x1234}), nullptr, nullptr),
            nullptr)
      << "a top-level window's menu must be a menu";
}

// The frame fitted as the application fits it: AdjustWindowRectEx for a first size, then
// the difference between outer and client rectangles, whatever the desktop's frame.
TEST_F(TMenuApi, AFrameFittedAroundItsMenuBarHasAClientOfExactly282By400) {
  for (const platform::HostInsets in :
       {platform::HostInsets{}, platform::HostInsets{1, 20, 1, 5}}) {
    host.SetDecorations(in);
    const HMENU m = LoadMenuA(klop::Module(), "DAZIZAZE");
    HWND f = CreateWindowExA(0, kClass, "Klop!", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CW_USEDEFAULT, 0,
                             CW_USEDEFAULT, 0, nullptr, m, nullptr, nullptr);
    ASSERT_NE(f, nullptr);
    RECT want{0, 0, 282, 400};
    ASSERT_TRUE(AdjustWindowRectEx(&want, WS_OVERLAPPEDWINDOW, TRUE, 0));
    EXPECT_EQ(want.bottom - want.top, 400 + 19 + in.top + in.bottom);
    RECT w{};
    GetWindowRect(f, &w);
    MoveWindow(f, w.left, w.top, want.right - want.left, want.bottom - want.top, TRUE);
    RECT c{};
    GetClientRect(f, &c);
    EXPECT_EQ(c.right, 282);
    EXPECT_EQ(c.bottom, 400);
    // The same through the rectangles alone, from another size.
    MoveWindow(f, w.left, w.top, 500, 300, TRUE);
    GetWindowRect(f, &w);
    GetClientRect(f, &c);
    MoveWindow(f, w.left, w.top, 282 + (w.right - w.left) - c.right,
               400 + (w.bottom - w.top) - c.bottom, TRUE);
    GetClientRect(f, &c);
    EXPECT_EQ(c.right, 282);
    EXPECT_EQ(c.bottom, 400);
    POINT origin{0, 0};
    ClientToScreen(f, &origin);
    GetWindowRect(f, &w);
    EXPECT_EQ(origin.y - w.top, in.top + 19) << "the client starts below the bar";
    DestroyWindow(f);
  }
}

}  // namespace
}  // namespace klop_test
