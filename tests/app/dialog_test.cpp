// TDialog: the close check on OK, Cancel and the close request without it, the set-up
// order, and a set-up that fails.
#include <stdexcept>

#include "app_fixture.h"

namespace app_test {
namespace {

std::vector<std::string> g_dialogLog;
std::vector<std::pair<UINT, WPARAM>> g_script;  // what the timer posts, one per tick
std::size_t g_step = 0;

void CALLBACK PostNext(HWND, UINT, UINT_PTR, DWORD) {
  HWND active = GetActiveWindow();
  if (active == nullptr || (GetWindowLongPtrA(active, GWL_STYLE) & WS_POPUP) == 0) return;
  if (g_step < g_script.size()) {
    PostMessageA(active, g_script[g_step].first, g_script[g_step].second, 0);
    ++g_step;
  }
}

class TCheckedDialog : public TDialog {
 public:
  TCheckedDialog(TWindow* parent, bool allow, bool failSetup)
      : TDialog(parent, "About"), Allow(allow), FailSetup(failSetup) {}
  void SetupWindow() override {
    g_dialogLog.push_back(GetHandle() != nullptr ? "setup with window" : "setup without");
    TDialog::SetupWindow();
    if (FailSetup) throw std::runtime_error("no controls");
  }
  bool CanClose() override {
    g_dialogLog.push_back("check");
    return Allow;
  }

 private:
  bool Allow;
  bool FailSetup;
};

class TDialogTest : public TAppTest {
 protected:
  void SetUp() override {
    TAppTest::SetUp();
    TApplication::SetStartup(klop::Module(), "", SW_SHOWDEFAULT);
    app = std::make_unique<TApplication>();
    owner = std::make_unique<TWindow>();
    owner->Attr.Style = WS_OVERLAPPEDWINDOW | WS_VISIBLE;
    owner->Attr.W = 300;
    owner->Attr.H = 300;
    owner->Create();
    g_dialogLog.clear();
    g_step = 0;
    SetTimer(nullptr, 0, 20, PostNext);
  }
  void TearDown() override {
    owner.reset();
    app.reset();
    TAppTest::TearDown();
  }
  std::unique_ptr<TApplication> app;
  std::unique_ptr<TWindow> owner;
};

TEST_F(TDialogTest, OkRunsTheCloseCheckCancelAndCloseEndWithoutIt) {
  struct TCase {
    bool allow;
    std::vector<std::pair<UINT, WPARAM>> script;
    int result;
    int checks;
  };
  const TCase cases[] = {
      {true, {{WM_COMMAND, IDOK}}, IDOK, 1},
      {false, {{WM_COMMAND, IDOK}, {WM_COMMAND, IDOK}, {WM_COMMAND, IDCANCEL}}, IDCANCEL, 2},
      {false, {{WM_CLOSE, 0}}, IDCANCEL, 0},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.result);
    g_dialogLog.clear();
    g_script = c.script;
    g_step = 0;
    TCheckedDialog dialog(owner.get(), c.allow, false);
    EXPECT_EQ(dialog.Execute(), c.result);
    EXPECT_EQ(dialog.GetHandle(), nullptr);
    ASSERT_FALSE(g_dialogLog.empty());
    EXPECT_EQ(g_dialogLog.front(), "setup with window");
    EXPECT_EQ(std::count(g_dialogLog.begin(), g_dialogLog.end(), "check"), c.checks);
  }
}

// The dialog does not stay open waiting for the user: it ends at once and the error
// comes out of Execute.
TEST_F(TDialogTest, AFailedSetUpEndsTheDialogAndRaisesItsError) {
  g_script.clear();
  TCheckedDialog dialog(owner.get(), true, true);
  try {
    dialog.Execute();
    ADD_FAILURE() << "nothing raised";
  } catch (const TXBase&) {
    ADD_FAILURE() << "the dialog's own error is wanted, not a framework error";
  } catch (const xmsg& e) {
    EXPECT_STREQ(e.what(), "no controls");
  }
  EXPECT_EQ(dialog.GetHandle(), nullptr);
  EXPECT_TRUE(IsWindowEnabled(owner->GetHandle()));
}

TEST_F(TDialogTest, AMissingTemplateRaisesTheDialogError) {
  TDialog missing(owner.get(), "NoSuchDialog");
  try {
    missing.Execute();
    ADD_FAILURE() << "nothing raised";
  } catch (const TWindow::TXWindow& e) {
    EXPECT_EQ(e.GetId(), 32746u);
  }
}

}  // namespace
}  // namespace app_test
