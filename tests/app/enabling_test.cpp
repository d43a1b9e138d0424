// Command enabling: the popup pass when a popup opens, the menu-bar pass when the
// program is idle or a modal dialog's loop is.
#include "app_fixture.h"

namespace app_test {
namespace {

bool Grayed(HMENU menu, UINT id) {
  return (GetMenuState(menu, id, MF_BYCOMMAND) & MF_GRAYED) != 0;
}

void GrayPause() {
  HMENU bar = GetMenu(rec.frame);
  ModifyMenuA(bar, kCmPause, MF_BYCOMMAND | MF_STRING | MF_GRAYED, kCmPause, "&Pause");
  DrawMenuBar(rec.frame);
}

class TEnablingTest : public TAppTest {};

TEST_F(TEnablingTest, TheMenuBarPassEnablesAGrayedItemAtTheNextIdleMoment) {
  std::vector<bool> grayed;
  onTick = [&](TProbe&, int tick) {
    HMENU bar = GetMenu(rec.frame);
    if (tick == 1) {
      GrayPause();
      grayed.push_back(Grayed(bar, kCmPause));
    }
    if (tick == 2) {
      grayed.push_back(Grayed(bar, kCmPause));
      // Without a focus window the pass does not run.
      GrayPause();
      SetFocus(nullptr);
    }
    if (tick == 3) {
      grayed.push_back(Grayed(bar, kCmPause));
      grayed.push_back(Grayed(bar, kCmAbout));  // has a handler, no enabler
      CloseFrame();
    }
  };
  EXPECT_EQ(RunProgram(), 0);
  EXPECT_EQ(grayed, (std::vector<bool>{true, false, true, false}));
}

TEST_F(TEnablingTest, AModalDialogsIdleRunsTheMenuBarPass) {
  bool grayedInDialog = true;
  int result = 0;
  onTick = [&](TProbe& p, int tick) {
    if (tick == 1) result = TDialog(&p, "About").Execute();  // ticks go on inside
    if (tick == 3) {
      GrayPause();
      SetFocus(nullptr);  // the idle step would not run the pass; the dialog's idle does
    }
    if (tick == 5) {
      grayedInDialog = Grayed(GetMenu(rec.frame), kCmPause);
      PostMessageA(GetActiveWindow(), WM_COMMAND, IDOK, 0);
    }
    if (tick == 7) CloseFrame();
  };
  EXPECT_EQ(RunProgram(), 0);
  EXPECT_FALSE(grayedInDialog);
  EXPECT_EQ(result, IDOK);
}

// The enablers of the command target first, then of each window up to the frame,
// then the frame's own; the first enabler found decides.
std::vector<std::string> g_asked;

class TInner : public TWindow {
  DECLARE_EVENTS(TInner);

 public:
  TInner() {
    Attr.W = 50;
    Attr.H = 50;
  }

 protected:
  void NewEnabled(TCommandEnabler& ce) {
    g_asked.push_back("inner:new");
    ce.Enable(true);
  }
};
DEFINE_EVENTS(TInner, TWindow)
EVENT_ENABLER(kCmNew, NewEnabled)
END_EVENTS

class TOuter : public TWindow {
  DECLARE_EVENTS(TOuter);

 public:
  TOuter() {
    Attr.W = 282;
    Attr.H = 400;
    inner = &AddChild(std::make_unique<TInner>());
  }
  TWindow* inner;

 protected:
  void NewEnabled(TCommandEnabler& ce) {
    g_asked.push_back("outer:new");
    ce.Enable(false);
  }
  void OptionsEnabled(TCommandEnabler& ce) {
    g_asked.push_back("outer:options");
    ce.Enable(false);
  }
  void After() {}
  void Pause() {}
};
DEFINE_EVENTS(TOuter, TWindow)
EVENT_ENABLER(kCmNew, NewEnabled)
EVENT_ENABLER(kCmOptions, OptionsEnabled)
EVENT_COMMAND(kCmPause, Pause)
EVENT_COMMAND(105, After)
END_EVENTS

class TOrderFrame : public TFrameWindow {
  DECLARE_EVENTS(TOrderFrame);

 public:
  explicit TOrderFrame(std::unique_ptr<TWindow> client)
      : TFrameWindow(nullptr, "Klop!", std::move(client), true) {}

 protected:
  void Any(TCommandEnabler& ce) {
    g_asked.push_back("frame:" + std::to_string(ce.GetId()));
    ce.Enable(true);
  }
};
DEFINE_EVENTS(TOrderFrame, TFrameWindow)
EVENT_ENABLER(kCmNew, Any)
EVENT_ENABLER(kCmOptions, Any)
EVENT_ENABLER(kCmStop, Any)
END_EVENTS

TEST_F(TEnablingTest, ThePopupPassAsksTheEnablersInOrder) {
  g_asked.clear();
  TApplication::SetStartup(klop::Module(), "", SW_SHOWDEFAULT);
  TApplication app;
  auto outer = std::make_unique<TOuter>();
  TOuter& o = *outer;
  TOrderFrame frame(std::move(outer));
  frame.AssignMenu("DAZIZAZE");
  frame.Create();
  SetFocus(o.inner->GetHandle());
  ASSERT_EQ(frame.GetCommandTarget(), o.inner->GetHandle());
  HMENU game = GetSubMenu(GetMenu(frame.GetHandle()), 0);
  ASSERT_NE(game, nullptr);
  // After a system command the pass stops.
  AppendMenuA(game, MF_STRING, SC_MINIMIZE, "Minimise");
  AppendMenuA(game, MF_STRING | MF_GRAYED, 105, "After");

  frame.SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(game), MAKELPARAM(0, FALSE));
  EXPECT_EQ(g_asked, (std::vector<std::string>{"inner:new", "outer:options", "frame:104"}));
  EXPECT_FALSE(Grayed(game, kCmNew));
  EXPECT_TRUE(Grayed(game, kCmOptions));
  EXPECT_FALSE(Grayed(game, kCmStop));
  EXPECT_TRUE(Grayed(game, 105));

  // The bar: a handler and no enabler enables, neither grays; a second pass
  // changes nothing.
  HMENU bar = GetMenu(frame.GetHandle());
  EXPECT_TRUE(frame.EnableMenuItems(bar, true));
  EXPECT_FALSE(Grayed(bar, kCmPause));
  EXPECT_TRUE(Grayed(bar, kCmAbout));
  EXPECT_FALSE(frame.EnableMenuItems(bar, true));

  // The system menu's popup is left alone.
  g_asked.clear();
  frame.SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(game), MAKELPARAM(0, TRUE));
  EXPECT_TRUE(g_asked.empty());
}

}  // namespace
}  // namespace app_test
