// The dialog manager through the headless host: templates, geometry, the owner, the
// modal loop and the results. Stand-in controls keep these apart from the real ones.
#include <climits>

#include "dialog_test_support.h"
#include "platform/ui/dialog_internal.h"
#include "platform/ui/dialog_template.h"
#include "platform/window/window_internal.h"
#include "res/klop_resources.h"

namespace klop_test {
namespace {

constexpr DWORD kFrame = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;

// Dialog units to pixels in the dialog font (6 x 13 base units), rounding to nearest.
int Px(int x) {
  return (x * 6 + (x >= 0 ? 2 : -2)) / 4;
}
int Py(int y) {
  return (y * 13 + (y >= 0 ? 4 : -4)) / 8;
}

std::vector<std::uint8_t> TestTemplate() {
  TTemplateWriter t(kFrame, 10, 20, 101, 83, "Test");
  t.Control(WS_GROUP, 4, 4, 40, 8, 10, 0, "&Name:", "DlgLabel")
      .Control(WS_TABSTOP, 4, 14, 61, 12, 11, 0, "abc", "DlgEdit")
      .Control(WS_TABSTOP | WS_GROUP, 5, 60, 40, 14, IDOK, 0, "OK", "DlgButton")
      .Control(WS_TABSTOP, 50, 60, 40, 14, IDCANCEL, 0, "Cancel", "DlgButton")
      .Control(WS_TABSTOP | WS_GROUP, 4, 30, 90, 9, 12, 0, "", "DlgBar")
      .Control(WS_TABSTOP | WS_DISABLED, 4, 44, 40, 12, 13, 0, "&Help", "DlgButton")
      .Control(WS_GROUP, 50, 44, 20, 8, 14, 0, "&Size", "DlgLabel")
      .Control(WS_TABSTOP, 70, 44, 20, 12, 15, 0, "", "DlgEdit");
  return t.Bytes;
}

class DialogTest : public TDialogTest {
 protected:
  void SetUp() override {
    TDialogTest::SetUp();
    RegisterStandInControls();
    module = ModuleWith({{"TEST", TestTemplate()}});
  }
  HINSTANCE module = nullptr;
};

TEST_F(DialogTest, BaseUnitsOfTheDialogFontAreSixByThirteen) {
  // What every template layout relies on; the system font's are its own.
  const SIZE dialogFont = platform::DialogBaseUnits(true);
  EXPECT_EQ(dialogFont.cx, 6);
  EXPECT_EQ(dialogFont.cy, 13);
  const LONG system = GetDialogBaseUnits();
  EXPECT_GT(LOWORD(static_cast<DWORD>(system)), 0);
  EXPECT_EQ(HIWORD(static_cast<DWORD>(system)), 16);  // the system font's cell
}

TEST_F(DialogTest, MulDivRoundsToNearestHalvesAwayFromZero) {
  struct {
    int a, b, c, want;
  } const cases[] = {{4, 6, 4, 6},    {1, 6, 4, 2},     {3, 6, 4, 5},  {14, 13, 8, 23},
                     {-3, 6, 4, -5},  {5, 13, 8, 8},    {1, 1, 0, -1}, {INT_MAX, 2, 1, -1},
                     {7, -6, 4, -11}, {-7, -6, -4, -11}};
  for (const auto& c : cases) {
    EXPECT_EQ(platform::MulDivRound(c.a, c.b, c.c), c.want) << c.a << "*" << c.b << "/" << c.c;
  }
}

TEST_F(DialogTest, OpensWithClientAndControlsSizedFromDialogUnits) {
  host.SetDecorations({3, 22, 3, 3});
  const HWND owner = MakeOwner();
  RECT client{}, window{}, ownerClient{};
  std::vector<RECT> rects;
  bool visibleDuringInit = true;
  onInit = [&](HWND dlg) {
    visibleDuringInit = IsWindowVisible(dlg) != FALSE;
    GetClientRect(dlg, &client);
    GetWindowRect(dlg, &window);
    for (HWND c = GetWindow(dlg, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
      RECT r;
      GetWindowRect(c, &r);
      POINT o{0, 0};
      ClientToScreen(dlg, &o);
      rects.push_back({r.left - o.x, r.top - o.y, r.right - o.x, r.bottom - o.y});
    }
    return TRUE;
  };
  Key(VK_ESCAPE);
  EXPECT_EQ(Run(module, "test", owner), IDCANCEL);  // the name in any case
  EXPECT_FALSE(visibleDuringInit);
  EXPECT_EQ(client.right, Px(101));
  EXPECT_EQ(client.bottom, Py(83));
  // The client area sits at the template's position in the owner's client area; the
  // desktop's frame goes around it.
  POINT origin{0, 0};
  ClientToScreen(owner, &origin);
  EXPECT_EQ(window.left, origin.x + Px(10) - 3);
  EXPECT_EQ(window.top, origin.y + Py(20) - 22);
  EXPECT_EQ(window.right - window.left, Px(101) + 6);
  EXPECT_EQ(window.bottom - window.top, Py(83) + 25);
  (void)ownerClient;
  ASSERT_EQ(rects.size(), 8u);
  const RECT want[] = {{Px(4), Py(4), Px(4) + Px(40), Py(4) + Py(8)},
                       {Px(4), Py(14), Px(4) + Px(61), Py(14) + Py(12)},
                       {Px(5), Py(60), Px(5) + Px(40), Py(60) + Py(14)},
                       {Px(50), Py(60), Px(50) + Px(40), Py(60) + Py(14)}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(rects[i].left, want[i].left) << i;
    EXPECT_EQ(rects[i].top, want[i].top) << i;
    EXPECT_EQ(rects[i].right, want[i].right) << i;
    EXPECT_EQ(rects[i].bottom, want[i].bottom) << i;
  }
}

TEST_F(DialogTest, IsKeptOnTheWorkArea) {
  host.SetWorkArea({0, 0, 220, 200});
  const HWND owner = MakeTop(250, 150);  // at (100, 80): the dialog would reach past
  RECT window{};
  onInit = [&](HWND dlg) {
    GetWindowRect(dlg, &window);
    return TRUE;
  };
  Key(VK_ESCAPE);
  EXPECT_EQ(Run(module, "Test", owner), IDCANCEL);
  EXPECT_EQ(window.right, 220);
  EXPECT_EQ(window.bottom, 200);
  EXPECT_GE(window.left, 0);
  EXPECT_GE(window.top, 0);
}

TEST_F(DialogTest, InitDialogGetsTheFirstTabStopAndTheParameter) {
  const HWND owner = MakeOwner();
  int firstTab = 0;
  LPARAM param = 0;
  static int* firstOut;
  static LPARAM* paramOut;
  firstOut = &firstTab;
  paramOut = &param;
  Key(VK_ESCAPE);
  const INT_PTR r = DialogBoxParamA(
      module, "Test", owner,
      [](HWND h, UINT msg, WPARAM w, LPARAM l) -> INT_PTR {
        if (msg == WM_INITDIALOG) {
          *firstOut = GetDlgCtrlID(reinterpret_cast<HWND>(w));
          *paramOut = l;
          return TRUE;
        }
        if (msg == WM_COMMAND && LOWORD(w) == IDCANCEL) EndDialog(h, -7);
        return FALSE;
      },
      0x1234);
  EXPECT_EQ(r, -7);  // any value comes back
  EXPECT_EQ(firstTab, 11);
  EXPECT_EQ(param, 0x1234);
}

TEST_F(DialogTest, FocusGoesToTheFirstTabStopUnlessTheProcedureSetsIt) {
  const HWND owner = MakeOwner();
  Key(VK_ESCAPE);
  Run(module, "Test", owner);
  EXPECT_EQ(idleFocus, std::vector<int>{11});
  ASSERT_FALSE(standIns.selections.empty());  // the edit's text selected
  EXPECT_EQ(standIns.selections.front().second, -1);

  idleFocus.clear();
  onInit = [](HWND dlg) {
    SetFocus(GetDlgItem(dlg, IDCANCEL));
    return FALSE;
  };
  Key(VK_ESCAPE);
  Run(module, "Test", owner);
  EXPECT_EQ(idleFocus, std::vector<int>{IDCANCEL});
}

TEST_F(DialogTest, OwnerIsDisabledWhileItRunsThenEnabledAndActiveAgain) {
  const HWND owner = MakeOwner();
  const HWND child = MakeChild(owner, 0, 0, 50, 50);
  ASSERT_EQ(GetActiveWindow(), owner);
  bool ownerEnabledDuring = true;
  HWND ownerOfDialog = nullptr;
  HWND activeDuring = nullptr;
  onInit = [&](HWND dlg) {
    ownerEnabledDuring = IsWindowEnabled(owner) != FALSE;
    ownerOfDialog = GetWindow(dlg, GW_OWNER);
    return TRUE;
  };
  handlers[owner] = [&](HWND, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (msg == WM_ENTERIDLE) activeDuring = GetActiveWindow();
    return std::nullopt;
  };
  Key(VK_ESCAPE);
  // A child given as the owner: its top-level window is the one disabled.
  EXPECT_EQ(Run(module, "Test", child), IDCANCEL);
  EXPECT_FALSE(ownerEnabledDuring);
  EXPECT_EQ(ownerOfDialog, owner);
  EXPECT_EQ(activeDuring, dialog);
  EXPECT_TRUE(IsWindowEnabled(owner));
  EXPECT_EQ(GetActiveWindow(), owner);
  EXPECT_FALSE(IsWindow(dialog));
}

TEST_F(DialogTest, OwnersTimerKeepsTickingAndIdleReachesTheOwner) {
  const HWND owner = MakeOwner();
  int ticks = 0;
  std::vector<TRecorded> idle;
  handlers[owner] = [&](HWND h, UINT msg, WPARAM w, LPARAM l) -> std::optional<LRESULT> {
    if (msg == WM_TIMER) ++ticks;
    if (msg == WM_ENTERIDLE) idle.push_back({h, msg, w, l});
    return std::nullopt;
  };
  ASSERT_NE(SetTimer(owner, 1, 100, nullptr), 0u);
  host.KeyAt(Ms(1050), VK_ESCAPE, true);
  EXPECT_EQ(Run(module, "Test", owner), IDCANCEL);
  EXPECT_EQ(ticks, 10);
  ASSERT_FALSE(idle.empty());
  EXPECT_EQ(idle.front().wParam, static_cast<WPARAM>(MSGF_DIALOGBOX));
  EXPECT_EQ(reinterpret_cast<HWND>(idle.front().lParam), dialog);
}

TEST_F(DialogTest, CloseBoxGivesCancel) {
  const HWND owner = MakeOwner();
  onInit = [&](HWND dlg) {
    host.CloseAt(Ms(20), platform::THeadlessHost::HostOf(dlg));
    return TRUE;
  };
  EXPECT_EQ(Run(module, "Test", owner), IDCANCEL);
  EXPECT_EQ(commands, std::vector<WORD>{IDCANCEL});
}

TEST_F(DialogTest, FailuresAnswerAsThePlatformDoes) {
  const HWND owner = MakeOwner();
  EXPECT_EQ(Run(module, "Missing", owner), -1);
  EXPECT_EQ(Run(klop::Module(), "Missing", owner), -1);
  EXPECT_EQ(Run(module, "Test", reinterpret_cast<HWND>(0x7777)), 0);  // no such owner

  TTemplateWriter unknown(kFrame, 0, 0, 50, 50, "x");
  unknown.Control(WS_TABSTOP, 0, 0, 10, 10, 1, 0, "", "NoSuchClass");
  const HINSTANCE m = ModuleWith({{"UNKNOWN", unknown.Bytes}});
  EXPECT_EQ(Run(m, "Unknown", owner), -1);
  EXPECT_TRUE(IsWindowEnabled(owner));

  // Destroyed while being set up: -1, and the owner comes back.
  onInit = [](HWND dlg) {
    DestroyWindow(dlg);
    return FALSE;
  };
  EXPECT_EQ(Run(module, "Test", owner), -1);
  EXPECT_TRUE(IsWindowEnabled(owner));
  EXPECT_EQ(platform::AllWindows().size(), 1u);
}

TEST_F(DialogTest, EndedDuringSetUpIsNeverShown) {
  const HWND owner = MakeOwner();
  onInit = [](HWND dlg) {
    EndDialog(dlg, 42);
    return TRUE;
  };
  const std::size_t before = host.WindowCount();
  EXPECT_EQ(Run(module, "Test", owner), 42);
  EXPECT_EQ(host.WindowCount(), before);
  EXPECT_TRUE(IsWindowEnabled(owner));
}

TEST_F(DialogTest, DamagedTemplatesAreRefused) {
  const std::vector<std::uint8_t> good = TestTemplate();
  ASSERT_TRUE(platform::ParseDialogTemplate(good.data(), good.size()));
  // Every cut short of the end is refused, and so are bytes left over.
  for (std::size_t n = 0; n < good.size(); ++n) {
    if (n + 3 >= good.size()) break;  // trailing padding may go
    EXPECT_FALSE(platform::ParseDialogTemplate(good.data(), n)) << n;
  }
  std::vector<std::uint8_t> longer = good;
  longer.insert(longer.end(), {1, 2, 3, 4});
  EXPECT_FALSE(platform::ParseDialogTemplate(longer.data(), longer.size()));
  // A control count past the controls, a negative size, an unknown atom, a menu.
  std::vector<std::uint8_t> more = good;
  more[8] = 9;
  EXPECT_FALSE(platform::ParseDialogTemplate(more.data(), more.size()));
  std::vector<std::uint8_t> negative = good;
  negative[15] = 0xFF;
  EXPECT_FALSE(platform::ParseDialogTemplate(negative.data(), negative.size()));
  TTemplateWriter atom(kFrame, 0, 0, 10, 10, "");
  atom.Control(0, 0, 0, 1, 1, 1, 0x99, "");
  EXPECT_FALSE(platform::ParseDialogTemplate(atom.Bytes.data(), atom.Bytes.size()));
  std::vector<std::uint8_t> menu = good;
  menu[18] = 5;
  EXPECT_FALSE(platform::ParseDialogTemplate(menu.data(), menu.size()));
  const HINSTANCE m =
      ModuleWith({{"CUT", std::vector<std::uint8_t>(good.begin(), good.begin() + 40)}});
  EXPECT_EQ(Run(m, "Cut", MakeOwner()), -1);
}

TEST_F(DialogTest, GamesTemplatesReadInFull) {
  for (const char* name : {"About", "OptionDlg"}) {
    const platform::ResourceEntry* e =
        platform::FindModuleResource(klop::Module(), platform::ResourceKind::Dialog, name);
    ASSERT_NE(e, nullptr) << name;
    const auto t = platform::ParseDialogTemplate(e->data, e->size);
    ASSERT_TRUE(t) << name;
    EXPECT_TRUE(t->hasFont);
    EXPECT_EQ(t->items.size(), std::string(name) == "About" ? 9u : 12u);
  }
}

TEST_F(DialogTest, ItemFunctionsReachTheControls) {
  const HWND owner = MakeOwner();
  onInit = [](HWND dlg) {
    EXPECT_TRUE(SetDlgItemTextA(dlg, 11, "hello"));
    char buf[16];
    EXPECT_EQ(GetDlgItemTextA(dlg, 11, buf, sizeof buf), 5u);
    EXPECT_STREQ(buf, "hello");
    EXPECT_EQ(GetDlgItemTextA(dlg, 11, buf, 3), 2u);  // cut to the buffer
    EXPECT_STREQ(buf, "he");
    EXPECT_EQ(GetDlgItemTextA(dlg, 99, buf, sizeof buf), 0u);
    EXPECT_STREQ(buf, "");
    EXPECT_FALSE(SetDlgItemTextA(dlg, 99, "x"));
    EXPECT_EQ(SendDlgItemMessageA(dlg, 11, WM_GETDLGCODE, 0, 0),
              DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS);
    EXPECT_EQ(SendDlgItemMessageA(dlg, 99, WM_GETDLGCODE, 0, 0), 0);
    RECT r{4, 8, 10, 16};
    EXPECT_TRUE(MapDialogRect(dlg, &r));
    EXPECT_EQ(r.left, 6);
    EXPECT_EQ(r.top, 13);
    EXPECT_EQ(r.right, 15);
    EXPECT_EQ(r.bottom, 26);
    EXPECT_EQ(SendMessageA(dlg, DM_GETDEFID, 0, 0), MAKELRESULT(IDOK, DC_HASDEFID));
    EXPECT_EQ(SendMessageA(dlg, WM_GETFONT, 0, 0),
              reinterpret_cast<LRESULT>(GetStockObject(DEFAULT_GUI_FONT)));
    return TRUE;
  };
  Key(VK_ESCAPE);
  EXPECT_EQ(Run(module, "Test", owner), IDCANCEL);
  RECT r{1, 1, 1, 1};
  EXPECT_FALSE(MapDialogRect(owner, &r));  // not a dialog
}

// GetDlgItemInt reads blanks, then digits to the end; a sign only when signed.
TEST_F(DialogTest, GetDlgItemIntTable) {
  struct {
    const char* text;
    BOOL isSigned;
    UINT value;
    BOOL ok;
  } const cases[] = {
      {"", FALSE, 0, FALSE},
      {"", TRUE, 0, FALSE},
      {" 12", FALSE, 12, TRUE},
      {" 12", TRUE, 12, TRUE},
      {"\t 7", FALSE, 7, TRUE},
      {"12abc", FALSE, 0, FALSE},
      {"12abc", TRUE, 0, FALSE},
      {"abc", FALSE, 0, FALSE},
      {"abc", TRUE, 0, FALSE},
      {"-5", FALSE, 0, FALSE},
      {"-5", TRUE, static_cast<UINT>(-5), TRUE},
      {"+5", FALSE, 0, FALSE},
      {"+5", TRUE, 5, TRUE},
      {"4294967296", FALSE, 0, FALSE},
      {"4294967296", TRUE, 0, FALSE},
      {"4294967295", FALSE, 4294967295u, TRUE},
      {"2147483648", TRUE, 0, FALSE},
      {"2147483647", TRUE, 2147483647u, TRUE},
      {"-2147483648", TRUE, 0x80000000u, TRUE},
      {"-2147483649", TRUE, 0, FALSE},
      {"12 ", FALSE, 0, FALSE},
      {"-", TRUE, 0, FALSE},
      {" ", FALSE, 0, FALSE},
      {"0009830", FALSE, 9830, TRUE},
      {"99999999999999999999", FALSE, 0, FALSE},
  };
  const HWND owner = MakeOwner();
  const HWND edit = MakeChild(owner, 0, 0, 10, 10, WS_CHILD, kClass, 5);
  for (const auto& c : cases) {
    SetWindowTextA(edit, c.text);
    BOOL ok = 99;
    EXPECT_EQ(GetDlgItemInt(owner, 5, &ok, c.isSigned), c.value)
        << '"' << c.text << "\" signed " << c.isSigned;
    EXPECT_EQ(ok, c.ok) << '"' << c.text << "\" signed " << c.isSigned;
  }
  BOOL ok = TRUE;
  EXPECT_EQ(GetDlgItemInt(owner, 6, &ok, FALSE), 0u);  // no such control
  EXPECT_FALSE(ok);
  SetWindowTextA(edit, "15");
  EXPECT_EQ(GetDlgItemInt(owner, 5, nullptr, FALSE), 15u);
}

}  // namespace
}  // namespace klop_test
