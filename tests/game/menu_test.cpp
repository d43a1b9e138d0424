// The menu in the running program: the enablers of New, Options and Stop as the
// "Game" popup opens, and the Pause item's text and graying on the bar.
#include <string>

#include "app/application.h"
#include "app/frame_window.h"
#include "game/ids.h"
#include "tests/game/game_fixture.h"

namespace klop_test {
namespace {

class TMenus : public TGameTest {
 protected:
  // The popup pass, as opening "Game" runs it; answers New, Options, Stop enabled.
  std::string Popup() const {
    auto* frame = TApplication::Current()->GetMainWindow();
    HMENU popup = ::GetSubMenu(::GetMenu(Frame()), 0);
    frame->EnableMenuItems(popup, false);
    std::string states;
    for (UINT id : {CM_NEW, CM_OPTIONS, CM_STOP}) {
      states += (::GetMenuState(popup, id, MF_BYCOMMAND) & MF_GRAYED) ? '-' : '+';
    }
    return states;
  }
  std::string Pause() const {
    char text[32] = {};
    HMENU bar = ::GetMenu(Frame());
    ::GetMenuStringA(bar, CM_PAUSE, text, sizeof text, MF_BYCOMMAND);
    const bool grayed = (::GetMenuState(bar, CM_PAUSE, MF_BYCOMMAND) & MF_GRAYED) != 0;
    return std::string(text) + (grayed ? " grayed" : "");
  }
};

TEST_F(TMenus, EnablersAndThePauseItem) {
  At(0ms, [&] {
    EXPECT_EQ(Popup(), "++-");  // over: New and Options
    EXPECT_EQ(Pause(), "&Pause");
    Command(CM_NEW);
  });
  At(150ms, [&] {
    EXPECT_EQ(Popup(), "--+");  // running: Stop only
    EXPECT_EQ(Pause(), "&Pause");
    Command(CM_PAUSE);
  });
  At(200ms, [&] {
    EXPECT_EQ(Popup(), "---");  // paused: nothing; continue first
    EXPECT_EQ(Pause(), "&Continue");
    Command(CM_NEW);  // refused by its enabler on the menu; sent anyway, it starts afresh
  });
  At(250ms, [&] {
    EXPECT_EQ(Pause(), "&Pause");
    EXPECT_FALSE(Window().Paused);
    Command(CM_STOP);
  });
  At(260ms, [&] {
    // Stop grayed the item; the next idle moment with the focus enabled it again.
    EXPECT_EQ(Popup(), "++-");
    EXPECT_EQ(Pause(), "&Pause");
    Command(CM_PAUSE);  // while over: nothing
  });
  At(300ms, [&] {
    EXPECT_FALSE(Window().Paused);
    EXPECT_EQ(Pause(), "&Pause");
    Close(0ms);
  });
  EXPECT_EQ(Run(), 0);
}

TEST_F(TMenus, StopGraysThePauseItemUntilIdle) {
  // The graying is seen inside the command: a check inside the handler of Stop.
  At(0ms, [&] { Command(CM_NEW); });
  At(150ms, [&] {
    Window().StopGame();  // as the command does, without an idle moment after it
    EXPECT_EQ(Pause(), "&Pause grayed");
    Close(0ms);
  });
  EXPECT_EQ(Run(), 0);
}

}  // namespace
}  // namespace klop_test
