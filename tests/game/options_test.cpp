// The options dialog in the running program, by keyboard and by mouse: what it shows,
// what each scroll does, what the close check takes and refuses, and what OK and
// Cancel leave in the game window.
#include <functional>
#include <string>
#include <vector>

#include "game/ids.h"
#include "tests/game/game_fixture.h"
#include "tests/support/golden.h"

namespace klop_test {
namespace {

class TOptions : public TGameTest {
 protected:
  // Runs the steps one after another, 50 ms of virtual time apart, then closes.
  void Steps(std::vector<std::function<void()>> steps) {
    auto all = std::make_shared<std::vector<std::function<void()>>>(std::move(steps));
    for (std::size_t i = 0; i < all->size(); ++i) {
      At(TMs(100 + 50 * static_cast<int>(i)), [all, i] { (*all)[i](); });
    }
    At(TMs(100 + 50 * static_cast<int>(all->size())), [this] { Close(0ms); });
  }

  HWND Dialog() const {
    HWND d = Modal();
    return d && TextOf(d) == "Options" ? d : nullptr;
  }
  int Speed() const { return ::GetScrollPos(::GetDlgItem(Dialog(), IDC_SPEED), SB_CTL); }
  int Population() const { return ::GetScrollPos(::GetDlgItem(Dialog(), IDC_POPULATION), SB_CTL); }
  std::string GameTimeText() const {
    char text[64] = {};
    ::GetDlgItemTextA(Dialog(), IDC_GAMETIME, text, sizeof text);
    return text;
  }
  void Keys(UINT vk, int times, unsigned modifiers = 0) {
    for (int i = 0; i < times; ++i) Key(0ms, vk, modifiers);
  }
  // Alt+T, then the field's text replaced by `text`.
  void EnterTime(const std::string& text) {
    Key(0ms, 'T', platform::kModAlt);
    Keys(VK_END, 1);
    Keys(VK_BACK, 8);
    Type(0ms, text);
  }
  // A click at a point of a control, `fromRight` pixels left of its right edge
  // (negative: from the left edge), at its middle height.
  void ClickBar(int id, int fromRight) {
    RECT r{};
    ::GetWindowRect(::GetDlgItem(Dialog(), id), &r);
    const int x = fromRight >= 0 ? r.right - 1 - fromRight : r.left - fromRight - 1;
    host.ClickAt(host.Now(), x, (r.top + r.bottom) / 2);
  }
};

TEST_F(TOptions, ByKeyboard) {
  TGameWindow* game = nullptr;
  Steps({
      [&] {
        game = &Window();
        Command(CM_OPTIONS);
      },
      [&] {
        ASSERT_NE(Dialog(), nullptr);
        EXPECT_EQ(Speed(), 21);
        EXPECT_EQ(Population(), 21);
        EXPECT_EQ(GameTimeText(), "15");
        Keys(VK_HOME, 1);  // the speed bar has the focus; Home and End move nothing
        Keys(VK_END, 1);
      },
      [&] {
        EXPECT_EQ(Speed(), 21);
        Keys(VK_RIGHT, 4);  // 25
        Keys(VK_NEXT, 1);   // a page past the end stops at it
      },
      [&] {
        EXPECT_EQ(Speed(), 30);
        Keys(VK_TAB, 1);
        Keys(VK_LEFT, 17);  // 4
        Keys(VK_PRIOR, 1);  // 1
      },
      [&] {
        EXPECT_EQ(Population(), 1);
        EnterTime("60");
        Keys(VK_RETURN, 1);
      },
      [&] {
        EXPECT_EQ(Dialog(), nullptr);
        EXPECT_EQ(game->LiveTime, 1);     // fastest
        EXPECT_EQ(game->SpawnRange, 40);  // fewest
        EXPECT_EQ(game->GameTime, 600);
        Command(CM_OPTIONS);
      },
      [&] {
        ASSERT_NE(Dialog(), nullptr);
        EXPECT_EQ(GameTimeText(), "60");
        EXPECT_EQ(Speed(), 30);
        EXPECT_EQ(Population(), 1);
        Keys(VK_PRIOR, 4);  // 20, 10, then the left end
        Keys(VK_TAB, 1);
        Keys(VK_NEXT, 4);  // 35 at most
      },
      [&] {
        EXPECT_EQ(Speed(), 1);
        EXPECT_EQ(Population(), 35);
        Keys(VK_RETURN, 1);
      },
      [&] {
        EXPECT_EQ(Dialog(), nullptr);
        EXPECT_EQ(game->LiveTime, 30);
        EXPECT_EQ(game->SpawnRange, 6);
        EXPECT_EQ(game->GameTime, 600);
      },
  });
  EXPECT_EQ(Run(), 0);
}

TEST_F(TOptions, RefusedTimesKeepTheDialogOpen) {
  TGameWindow* game = nullptr;
  std::vector<std::function<void()>> steps{[&] {
                                             game = &Window();
                                             Command(CM_OPTIONS);
                                           },
                                           [&] {
                                             // Speed moved first: an OK refused for its
                                             // time still stores it.
                                             Keys(VK_RIGHT, 3);
                                           }};
  for (const char* refused : {"", "0", "abc", "-5", "10000", "9831"}) {
    steps.push_back([&, refused] {
      ASSERT_NE(Dialog(), nullptr) << refused;
      if (std::string(refused).size() <= 4) {
        EnterTime(refused);
      } else {
        // Wider than the field takes by typing: put there whole.
        ::SetDlgItemTextA(Dialog(), IDC_GAMETIME, refused);
      }
      Keys(VK_RETURN, 1);
    });
    steps.push_back([&, refused] {
      HWND box = Modal();
      ASSERT_NE(box, nullptr) << refused;
      EXPECT_EQ(TextOf(box), "Error") << refused;
      // OK alone, no icon; the text as the golden shows it.
      EXPECT_EQ(TextOf(::GetDlgItem(box, 0xFFFF)), "Game time must be between 0 and 9830!");
      EXPECT_NE(::GetDlgItem(box, IDOK), nullptr);
      EXPECT_EQ(::GetDlgItem(box, IDCANCEL), nullptr);
      if (std::string(refused).empty()) {
        int w = 0, h = 0;
        const auto pixels = host.ClientPixels(box, w, h);
        klop::test::ExpectGolden("options_game_time_refused", w, h, pixels);
      }
      Keys(VK_RETURN, 1);
    });
    steps.push_back([&, refused] {
      ASSERT_NE(Dialog(), nullptr) << "the dialog stays open after '" << refused << "'";
      EXPECT_EQ(GameTimeText(), refused);
      EXPECT_EQ(game->GameTime, 150);
      EXPECT_EQ(game->LiveTime, 7);  // 31 - 24
    });
  }
  steps.push_back([&] { Keys(VK_ESCAPE, 1); });
  steps.push_back([&] {
    EXPECT_EQ(Dialog(), nullptr);
    EXPECT_EQ(game->LiveTime, 7);
    EXPECT_EQ(game->SpawnRange, 20);
    EXPECT_EQ(game->GameTime, 150);
  });
  Steps(std::move(steps));
  EXPECT_EQ(Run(), 0);
}

TEST_F(TOptions, AcceptedTimes) {
  const struct {
    const char* typed;
    std::int32_t ticks;
  } cases[] = {{"1", 10}, {"9829", 98290}, {"9830", 98300}, {"30", 300}};
  TGameWindow* game = nullptr;
  std::vector<std::function<void()>> steps{[&] { game = &Window(); }};
  for (const auto& c : cases) {
    steps.push_back([&] { Command(CM_OPTIONS); });
    steps.push_back([&, c] {
      EnterTime(c.typed);
      Keys(VK_RETURN, 1);
    });
    steps.push_back([&, c] {
      EXPECT_EQ(Dialog(), nullptr) << c.typed;
      EXPECT_EQ(game->GameTime, c.ticks) << c.typed;
    });
  }
  steps.push_back([&] { Command(CM_OPTIONS); });
  steps.push_back([&] {
    EXPECT_EQ(GameTimeText(), "30");  // what the last OK stored
    Keys(VK_ESCAPE, 1);
  });
  Steps(std::move(steps));
  EXPECT_EQ(Run(), 0);
}

TEST_F(TOptions, ByMouse) {
  TGameWindow* game = nullptr;
  std::vector<std::function<void()>> steps{[&] {
    game = &Window();
    Command(CM_OPTIONS);
  }};
  // The right arrow, one step at a time, up to the end and past it.
  for (int i = 0; i < 10; ++i) steps.push_back([&] { ClickBar(IDC_SPEED, 6); });
  steps.push_back([&] {
    EXPECT_EQ(Speed(), 30);
    ClickBar(IDC_POPULATION, -6);  // the left arrow
  });
  steps.push_back([&] {
    EXPECT_EQ(Population(), 20);
    ClickBar(IDC_POPULATION, 20);  // the page right of the thumb
  });
  steps.push_back([&] {
    EXPECT_EQ(Population(), 30);
    ClickBar(IDC_POPULATION, 20);
  });
  steps.push_back([&] {
    EXPECT_EQ(Population(), 35);
    // Cancel, by its button, keeps everything as it was.
    HWND cancel = ::GetDlgItem(Dialog(), IDCANCEL);
    RECT r{};
    ::GetWindowRect(cancel, &r);
    host.ClickAt(host.Now(), (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  });
  steps.push_back([&] {
    EXPECT_EQ(Dialog(), nullptr);
    EXPECT_EQ(game->LiveTime, 10);
    EXPECT_EQ(game->SpawnRange, 20);
    EXPECT_EQ(game->GameTime, 150);
    Command(CM_OPTIONS);
  });
  steps.push_back([&] {
    ClickBar(IDC_SPEED, -6);      // 20
    ClickBar(IDC_POPULATION, 6);  // 22
  });
  steps.push_back([&] {
    // OK by its button.
    HWND ok = ::GetDlgItem(Dialog(), IDOK);
    RECT r{};
    ::GetWindowRect(ok, &r);
    host.ClickAt(host.Now(), (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  });
  steps.push_back([&] {
    EXPECT_EQ(Dialog(), nullptr);
    EXPECT_EQ(game->LiveTime, 11);
    EXPECT_EQ(game->SpawnRange, 19);
    EXPECT_EQ(game->GameTime, 150);
  });
  Steps(std::move(steps));
  EXPECT_EQ(Run(), 0);
}

}  // namespace
}  // namespace klop_test
