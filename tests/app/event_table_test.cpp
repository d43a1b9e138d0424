// Event tables and the message boundary, on framework windows without a message loop.
#include <stdexcept>
#include <string>
#include <vector>

#include "app_fixture.h"

namespace app_test {
namespace {

std::vector<std::string> g_heard;

class TBaseWindow : public TWindow {
  DECLARE_EVENTS(TBaseWindow);

 public:
  TBaseWindow() {
    Attr.Style = WS_OVERLAPPED;
    Attr.W = 100;
    Attr.H = 80;
  }

 protected:
  void Tick(UINT id) { g_heard.push_back("base tick " + std::to_string(id)); }
  void Down(UINT keys, const POINT& p) {
    g_heard.push_back("base down " + std::to_string(keys) + " " + std::to_string(p.x) + "," +
                      std::to_string(p.y));
  }
  void Stop() { g_heard.push_back("base stop"); }
};

DEFINE_EVENTS(TBaseWindow, TWindow)
EVENT_MESSAGE(WM_TIMER, Tick)
EVENT_MESSAGE(WM_LBUTTONDOWN, Down)
EVENT_COMMAND(kCmStop, Stop)
END_EVENTS

class TDerivedWindow : public TBaseWindow {
  DECLARE_EVENTS(TDerivedWindow);

 public:
  std::function<void()> onTick;
  std::function<void()> onSetup;
  void SetupWindow() override {
    TBaseWindow::SetupWindow();
    if (onSetup) onSetup();
  }

 protected:
  void Tick(UINT id) {
    g_heard.push_back("derived tick " + std::to_string(id));
    if (onTick) onTick();
  }
  void Resized(UINT type, const SIZE& s) {
    g_heard.push_back("size " + std::to_string(type) + " " + std::to_string(s.cx) + "x" +
                      std::to_string(s.cy));
  }
  void Scrolled(UINT code, UINT pos, HWND control) {
    g_heard.push_back("scroll " + std::to_string(code) + " " + std::to_string(pos) +
                      (control != nullptr ? " control" : " none"));
  }
  void New() { g_heard.push_back("derived new"); }
};

DEFINE_EVENTS(TDerivedWindow, TBaseWindow)
EVENT_MESSAGE(WM_TIMER, Tick)
EVENT_MESSAGE(WM_SIZE, Resized)
EVENT_MESSAGE(WM_HSCROLL, Scrolled)
EVENT_COMMAND(kCmNew, New)
END_EVENTS

class TFrameworkTest : public TAppTest {
 protected:
  void SetUp() override {
    TAppTest::SetUp();
    g_heard.clear();
    TApplication::SetStartup(klop::Module(), "", SW_SHOWDEFAULT);
    app = std::make_unique<TApplication>();
  }
  void TearDown() override {
    app.reset();
    DropHeldError();
    TAppTest::TearDown();
  }
  std::unique_ptr<TApplication> app;
};

TEST_F(TFrameworkTest, OwnTableIsSearchedBeforeTheBaseAndHandlersGetUnpackedParameters) {
  TDerivedWindow w;
  w.Create();
  ASSERT_EQ(TWindow::FromHandle(w.GetHandle()), &w);
  g_heard.clear();
  w.SendMessage(WM_TIMER, 7, 0);                                      // own entry wins
  w.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(0xFFFB, 12));  // only the base has it
  w.SendMessage(WM_SIZE, SIZE_MINIMIZED, MAKELPARAM(282, 400));
  w.SendMessage(WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, 40000), 0);
  w.SendMessage(WM_COMMAND, kCmStop, 0);  // a base command
  w.SendMessage(WM_COMMAND, kCmNew, 0);
  w.SendMessage(WM_COMMAND, kCmPause, 0);  // nobody's: the default procedure
  EXPECT_EQ(g_heard,
            (std::vector<std::string>{"derived tick 7", "base down 1 -5,12", "size 1 282x400",
                                      "scroll 5 40000 none", "base stop", "derived new"}));
  EXPECT_TRUE(w.HasCommand(kCmStop));
  EXPECT_FALSE(w.HasCommand(kCmPause));
}

TEST_F(TFrameworkTest, WindowObjectStaysBoundUntilItsWindowIsGone) {
  TDerivedWindow w;
  w.Create();
  const HWND h = w.GetHandle();
  w.Destroy();
  EXPECT_EQ(w.GetHandle(), nullptr);
  EXPECT_EQ(TWindow::FromHandle(h), nullptr);
  EXPECT_FALSE(IsWindow(h));
}

// What a handler throws comes back out of the framework's call that delivered it:
// framework errors whole, other errors as their text, anything else as an empty text.
TEST_F(TFrameworkTest, ErrorsAreHeldAtTheBoundaryAndRaisedWhenTheCallReturns) {
  TDerivedWindow w;
  w.Create();
  w.onTick = [] { throw TGdiBase::TXGdi(); };
  try {
    w.SendMessage(WM_TIMER, 1, 0);
    ADD_FAILURE() << "nothing raised";
  } catch (const TGdiBase::TXGdi& e) {
    EXPECT_EQ(e.GetId(), 32739u);
    EXPECT_STREQ(e.what(), "Exception #32739 (no message available).");
  }
  w.onTick = [] { throw std::runtime_error("gone wrong"); };
  try {
    w.SendMessage(WM_TIMER, 1, 0);
    ADD_FAILURE() << "nothing raised";
  } catch (const TXBase&) {
    ADD_FAILURE() << "a standard error is not a framework error";
  } catch (const xmsg& e) {
    EXPECT_STREQ(e.what(), "gone wrong");
  }
  w.onTick = [] { throw 42; };
  try {
    w.SendMessage(WM_TIMER, 1, 0);
    ADD_FAILURE() << "nothing raised";
  } catch (const xmsg& e) {
    EXPECT_STREQ(e.what(), "");
  }
  // The platform's own call saw no exception: it answered 0 and went on.
  w.onTick = [] { throw TWindow::TXWindow(); };
  EXPECT_EQ(SendMessageA(w.GetHandle(), WM_TIMER, 1, 0), 0);
  EXPECT_TRUE(HasHeldError());
  EXPECT_THROW(RaiseHeldError(), TWindow::TXWindow);
  EXPECT_FALSE(HasHeldError());
  w.onTick = nullptr;
  EXPECT_NO_THROW(w.SendMessage(WM_TIMER, 1, 0));
}

TEST_F(TFrameworkTest, AnErrorInTheSetUpFailsTheCreationAndIsRaisedInsteadOfTheWindowError) {
  TDerivedWindow w;
  w.onSetup = [] { throw TGdiBase::TXGdi(); };
  EXPECT_THROW(w.Create(), TGdiBase::TXGdi);
  EXPECT_EQ(w.GetHandle(), nullptr);
  w.onSetup = nullptr;
  EXPECT_NO_THROW(w.Create());
  EXPECT_NE(w.GetHandle(), nullptr);
}

TEST_F(TFrameworkTest, RefusedCreationAndRegistrationRaiseTheirWindowErrors) {
  struct TCase {
    platform::TOperation op;
    unsigned nth;
    bool withChild;
    unsigned id;
  };
  const TCase cases[] = {
      {platform::TOperation::CreateWindowExA, 1, false, 32747},
      {platform::TOperation::CreateWindowExA, 2, true, 32745},  // the child, during set-up
      {platform::TOperation::RegisterClassA, 1, false, 32749},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.id);
    UnregisterClassA("KlopFrameworkWindow", nullptr);
    TBaseWindow w;
    if (c.withChild) {
      auto child = std::make_unique<TWindow>();
      child->Attr.W = 10;
      child->Attr.H = 10;
      w.AddChild(std::move(child));
    }
    platform::RefuseForTesting(c.op, c.nth);
    try {
      w.Create();
      ADD_FAILURE() << "created";
    } catch (const TWindow::TXWindow& e) {
      EXPECT_EQ(e.GetId(), c.id);
    }
    EXPECT_EQ(w.GetHandle(), nullptr);
    platform::StopRefusingForTesting(c.op);
  }
}

TEST(ErrorTexts, EveryIdReadsTheSameWayWithItsNumber) {
  EXPECT_EQ(ErrorText(32760), "Exception #32760 (no message available).");
  EXPECT_EQ(TApplication::TXInvalidMainWindow().GetId(), 32759u);
  EXPECT_EQ(TModule::TXInvalidModule().GetId(), 32760u);
  EXPECT_STREQ(TWindow::TXWindow(32746).what(), "Exception #32746 (no message available).");
  static_assert(std::is_base_of_v<std::exception, xmsg>);
  static_assert(std::is_same_v<xalloc, std::bad_alloc>);
}

}  // namespace
}  // namespace app_test
