// The game's own dialogs, "OptionDlg" and "About", opened from its resources with the
// real controls: where the controls land, the tab order, mnemonics, Enter, Escape and
// the close box, and golden images of both.
#include "dialog_test_support.h"
#include "res/klop_resources.h"
#include "tests/support/golden.h"

namespace klop_test {
namespace {

constexpr unsigned kAlt = platform::kModAlt;

int Px(int x) {
  return (x * 6 + 2) / 4;
}
int Py(int y) {
  return (y * 13 + 4) / 8;
}

struct TPlaced {
  int id;
  int x, y, cx, cy;  // dialog units
  int height = -1;   // pixels, when the control sizes itself
  int width = -1;
};

class GameDialogTest : public TDialogTest {
 protected:
  void SetUp() override {
    TDialogTest::SetUp();
    owner = MakeOwner();
    handlers[owner] = [this](HWND, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
      if (msg == WM_ENTERIDLE) {
        const int focus = GetFocus() != nullptr ? GetDlgCtrlID(GetFocus()) : 0;
        if (idleFocus.empty() || idleFocus.back() != focus) idleFocus.push_back(focus);
        if (onIdle) {
          auto once = std::move(onIdle);
          onIdle = nullptr;
          once(dialog);
        }
      }
      return std::nullopt;
    };
  }
  INT_PTR Open(const char* name) { return Run(klop::Module(), name, owner); }

  // Every control's rectangle in the dialog's client area, in template order.
  static std::vector<RECT> ControlRects(HWND dlg) {
    std::vector<RECT> out;
    POINT o{0, 0};
    ClientToScreen(dlg, &o);
    for (HWND c = GetWindow(dlg, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
      RECT r;
      GetWindowRect(c, &r);
      out.push_back({r.left - o.x, r.top - o.y, r.right - o.x, r.bottom - o.y});
    }
    return out;
  }
  void ExpectPlaced(const std::vector<RECT>& got, const std::vector<TPlaced>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
      const TPlaced& p = want[i];
      const int w = p.width >= 0 ? p.width : Px(p.cx);
      const int h = p.height >= 0 ? p.height : Py(p.cy);
      EXPECT_EQ(got[i].left, Px(p.x)) << "control " << i + 1;
      EXPECT_EQ(got[i].top, Py(p.y)) << "control " << i + 1;
      EXPECT_EQ(got[i].right - got[i].left, w) << "control " << i + 1;
      EXPECT_EQ(got[i].bottom - got[i].top, h) << "control " << i + 1;
    }
  }

  HWND owner = nullptr;
  std::function<void(HWND)> onIdle;
};

TEST_F(GameDialogTest, OptionDlgLaysOutItsTwelveControls) {
  std::vector<RECT> rects;
  RECT client{};
  std::vector<int> ids;
  std::vector<LRESULT> buttonCodes;
  char caption[16] = {};
  onInit = [&](HWND dlg) {
    rects = ControlRects(dlg);
    GetClientRect(dlg, &client);
    GetWindowTextA(dlg, caption, sizeof caption);
    for (HWND c = GetWindow(dlg, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
      ids.push_back(static_cast<SHORT>(GetDlgCtrlID(c)));
    }
    for (int id : {IDOK, IDCANCEL}) {
      buttonCodes.push_back(SendDlgItemMessageA(dlg, id, WM_GETDLGCODE, 0, 0));
    }
    return TRUE;
  };
  Key(VK_ESCAPE);
  EXPECT_EQ(Open("OptionDlg"), IDCANCEL);
  EXPECT_STREQ(caption, "Options");
  EXPECT_EQ(client.right, 225);   // 150 units
  EXPECT_EQ(client.bottom, 224);  // 138 units
  EXPECT_EQ(ids, (std::vector<int>{-1, 101, -1, 102, 1, 2, -1, -1, -1, -1, -1, 109}));
  // The scroll bars keep the standard height at the top of their rectangles.
  ExpectPlaced(rects, {{-1, 6, 6, 138, 9},
                       {101, 6, 18, 138, 9, 16},
                       {-1, 6, 42, 138, 9},
                       {102, 6, 54, 138, 9, 16},
                       {1, 22, 117, 48, 14},
                       {2, 79, 117, 48, 14},
                       {-1, 6, 30, 24, 9},
                       {-1, 120, 30, 24, 9},
                       {-1, 10, 66, 24, 9},
                       {-1, 118, 66, 24, 9},
                       {-1, 6, 79, 138, 9},
                       {109, 63, 90, 24, 13}});
  // Neither button starts as the default push button.
  for (LRESULT code : buttonCodes) EXPECT_EQ(code, DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON);
}

TEST_F(GameDialogTest, OptionDlgTabOrderAndMnemonics) {
  for (int i = 0; i < 5; ++i) Key(VK_TAB);
  Key('T', kAlt);
  Key('P', kAlt);
  Key('S', kAlt);
  Key(VK_ESCAPE);
  EXPECT_EQ(Open("OptionDlg"), IDCANCEL);
  EXPECT_EQ(idleFocus, (std::vector<int>{101, 102, IDOK, IDCANCEL, 109, 101, 109, 102, 101}));
}

TEST_F(GameDialogTest, OptionDlgEnterIsOkAndEscapeAndCloseBoxCancel) {
  const struct {
    const char* what;
    std::vector<std::pair<unsigned, unsigned>> keys;
    INT_PTR want;
  } cases[] = {
      {"Enter on the speed bar", {{VK_RETURN, 0}}, IDOK},
      {"Enter in the edit", {{'T', kAlt}, {VK_RETURN, 0}}, IDOK},
      {"Enter on OK", {{VK_TAB, 0}, {VK_TAB, 0}, {VK_RETURN, 0}}, IDOK},
      {"Enter on Cancel", {{VK_TAB, 0}, {VK_TAB, 0}, {VK_TAB, 0}, {VK_RETURN, 0}}, IDCANCEL},
      {"Space on Cancel", {{VK_TAB, 0}, {VK_TAB, 0}, {VK_TAB, 0}, {VK_SPACE, 0}}, IDCANCEL},
      {"Escape in the edit", {{'T', kAlt}, {VK_ESCAPE, 0}}, IDCANCEL},
  };
  for (const auto& c : cases) {
    for (const auto& [vk, mods] : c.keys) Key(vk, mods);
    EXPECT_EQ(Open("OptionDlg"), c.want) << c.what;
  }
  onIdle = [this](HWND dlg) {
    host.CloseAt(host.Now() + Ms(10), platform::THeadlessHost::HostOf(dlg));
  };
  EXPECT_EQ(Open("OptionDlg"), IDCANCEL);
}

TEST_F(GameDialogTest, AboutLaysOutItsNineControlsAroundOneTabStop) {
  std::vector<RECT> rects;
  RECT client{};
  onInit = [&](HWND dlg) {
    rects = ControlRects(dlg);
    GetClientRect(dlg, &client);
    return TRUE;
  };
  Key(VK_TAB);  // OK is the only tab stop: the focus stays
  Key(VK_RETURN);
  EXPECT_EQ(Open("About"), IDOK);
  EXPECT_EQ(idleFocus, std::vector<int>{IDOK});
  EXPECT_EQ(client.right, Px(139));
  EXPECT_EQ(client.bottom, Py(138));
  // The icon takes its own 32 x 32.
  ExpectPlaced(rects, {{1, 44, 116, 48, 14},
                       {-1, 4, 6, 129, 9},
                       {-1, 4, 74, 129, 10},
                       {-1, 6, 99, 129, 9},
                       {-1, 60, 19, 18, 20, 32, 32},
                       {-1, 4, 36, 129, 9},
                       {-1, 4, 48, 129, 9},
                       {-1, 4, 60, 129, 9},
                       {-1, 42, 84, 56, 10}});
  Key(VK_ESCAPE);
  EXPECT_EQ(Open("about"), IDCANCEL);
}

constexpr std::uint32_t kFace = 0xC0C0C0, kShadow = 0x808080, kBlack = 0, kWhite = 0xFFFFFF;

TEST_F(GameDialogTest, OptionDlgLooksClassic) {
  klop::test::TPixels p;
  onInit = [](HWND dlg) {
    // As the game sets it up with its default settings.
    SetScrollRange(GetDlgItem(dlg, 101), SB_CTL, 1, 30, FALSE);
    SetScrollRange(GetDlgItem(dlg, 102), SB_CTL, 1, 35, FALSE);
    SetScrollPos(GetDlgItem(dlg, 101), SB_CTL, 21, TRUE);
    SetScrollPos(GetDlgItem(dlg, 102), SB_CTL, 21, TRUE);
    SetDlgItemTextA(dlg, 109, "15");
    return TRUE;
  };
  onIdle = [&](HWND dlg) {
    p.Pixels = host.ClientPixels(dlg, p.Width, p.Height);
    host.KeyAt(host.Now() + Ms(10), VK_ESCAPE, true);
  };
  Open("OptionDlg");
  ASSERT_FALSE(p.Pixels.empty());
  EXPECT_EQ(p.At(0, 0), kFace);
  EXPECT_EQ(p.At(224, 223), kFace);
  // Position 21 puts the 16-pixel thumb 20/29 along the speed's 159 free pixels (x 135)
  // and 20/34 along the population's (x 119): raised, the focused one dotted inside.
  EXPECT_EQ(p.At(135, 29), kWhite);
  EXPECT_EQ(p.At(150, 44), kBlack);
  EXPECT_EQ(p.At(138, 36), kBlack);
  EXPECT_EQ(p.At(119, 88), kWhite);
  EXPECT_EQ(p.At(134, 103), kBlack);
  // The game time's sunken white field holds black digits.
  EXPECT_EQ(p.At(95, 146), kShadow);
  EXPECT_EQ(p.At(96, 147), kBlack);
  EXPECT_EQ(p.At(130, 166), kWhite);
  EXPECT_GT(p.Count(97, 148, 129, 165, kBlack), 15);
  // OK and Cancel, raised, with black captions.
  EXPECT_EQ(p.At(33, 190), kWhite);
  EXPECT_EQ(p.At(104, 212), kBlack);
  EXPECT_GT(p.Count(35, 192, 103, 210, kBlack), 20);
  EXPECT_GT(p.Count(122, 192, 190, 210, kBlack), 20);
  klop::test::ExpectGolden("dialog_options", p);
}

TEST_F(GameDialogTest, AboutLooksClassic) {
  klop::test::TPixels p;
  onIdle = [&](HWND dlg) {
    p.Pixels = host.ClientPixels(dlg, p.Width, p.Height);
    host.KeyAt(host.Now() + Ms(10), VK_ESCAPE, true);
  };
  Open("About");
  ASSERT_FALSE(p.Pixels.empty());
  EXPECT_EQ(p.At(0, 0), kFace);
  EXPECT_EQ(p.At(208, 223), kFace);
  // The critter icon in its colours: red with a yellow spot, navy, green legs.
  EXPECT_GT(p.Count(90, 28, 122, 61, 0xFF0000), 50);
  EXPECT_GT(p.Count(90, 28, 122, 61, 0xFFFF00), 0);
  EXPECT_GT(p.Count(90, 28, 122, 61, 0x000080), 50);
  EXPECT_GT(p.Count(90, 28, 122, 61, 0x00FF00), 5);
  // The title's text, and OK as the default button: a black frame around the raised one.
  EXPECT_GT(p.Count(0, 8, 209, 24, kBlack), 50);
  EXPECT_EQ(p.At(66, 189), kBlack);
  EXPECT_EQ(p.At(137, 211), kBlack);
  EXPECT_EQ(p.At(67, 190), kWhite);
  EXPECT_EQ(p.At(68, 191), kFace);
  klop::test::ExpectGolden("dialog_about", p);
}

// The options dialog's refusal: a message box owned by the dialog, then the dialog again
// with the focus back in the edit where the player left it.
TEST_F(GameDialogTest, OptionDlgMessageBoxHandsTheFocusBack) {
  static bool dialogEnabledUnderBox;
  static int boxAnswer;
  static int focusAfterBox;
  dialogEnabledUnderBox = true;
  boxAnswer = 0;
  focusAfterBox = 0;
  Key('T', kAlt);
  Key(VK_RETURN);  // OK: refused with a box
  Key(VK_RETURN);  // the box's OK
  Key(VK_ESCAPE);
  const INT_PTR r = DialogBoxParamA(
      klop::Module(), "OptionDlg", owner,
      [](HWND dlg, UINT msg, WPARAM w, LPARAM) -> INT_PTR {
        // The box's idle goes to its owner, the dialog.
        if (msg == WM_ENTERIDLE) dialogEnabledUnderBox = IsWindowEnabled(dlg) != FALSE;
        if (msg == WM_INITDIALOG) return TRUE;
        if (msg != WM_COMMAND) return FALSE;
        if (LOWORD(w) == IDOK) {
          boxAnswer =
              MessageBoxExA(dlg, "Game time must be between 0 and 9830!", "Error", MB_OK, 0);
          focusAfterBox = GetFocus() != nullptr ? GetDlgCtrlID(GetFocus()) : 0;
          return TRUE;
        }
        if (LOWORD(w) == IDCANCEL) EndDialog(dlg, IDCANCEL);
        return TRUE;
      },
      0);
  EXPECT_EQ(r, IDCANCEL);
  EXPECT_EQ(boxAnswer, IDOK);
  EXPECT_FALSE(dialogEnabledUnderBox);
  EXPECT_EQ(focusAfterBox, 109);
  EXPECT_TRUE(IsWindowEnabled(owner));
  EXPECT_EQ(GetActiveWindow(), owner);
}

TEST_F(GameDialogTest, OptionDlgButtonsByMouseWhileTheOwnerIgnoresClicks) {
  int ownerClicks = 0;
  const THandler recordIdle = handlers[owner];
  handlers[owner] = [&, recordIdle](HWND h, UINT msg, WPARAM w,
                                    LPARAM l) -> std::optional<LRESULT> {
    if (msg == WM_LBUTTONDOWN) ++ownerClicks;
    return recordIdle(h, msg, w, l);
  };
  for (int button : {IDOK, IDCANCEL}) {
    onIdle = [this, button](HWND dlg) {
      host.ClickClientAt(host.Now() + Ms(10), owner, 390, 290);  // beside the dialog
      host.ClickClientAt(host.Now() + Ms(20), GetDlgItem(dlg, button), 10, 10);
    };
    EXPECT_EQ(Open("OptionDlg"), button);
  }
  EXPECT_EQ(ownerClicks, 0);
}

TEST_F(GameDialogTest, QuitDuringADialogEndsItAndIsPostedAgain) {
  onIdle = [](HWND) { PostQuitMessage(3); };
  EXPECT_EQ(Open("OptionDlg"), 0);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_QUIT);
  EXPECT_EQ(msg.wParam, 3u);
  EXPECT_TRUE(IsWindowEnabled(owner));
}

// What the options dialog reads: the scroll bars' codes come through the dialog keyboard
// (arrows, Home, End) and a number typed over the selected edit text.
TEST_F(GameDialogTest, OptionDlgPassesArrowsToItsBarsAndReadsTheTypedNumber) {
  static std::vector<WORD> codes;
  static std::vector<std::pair<UINT, BOOL>> numbers;
  codes.clear();
  numbers.clear();
  Key(VK_RIGHT);
  Key(VK_LEFT);
  Key(VK_END);
  Key(VK_TAB);
  Key(VK_HOME);
  Key('T', kAlt);  // the edit's "15" selected, then replaced
  Type('3');
  Type('0');
  Key(VK_RETURN);
  Key('T', kAlt);
  Type('a');
  Type('b');
  Key(VK_RETURN);
  Key(VK_ESCAPE);
  const INT_PTR r = DialogBoxParamA(
      klop::Module(), "OptionDlg", owner,
      [](HWND dlg, UINT msg, WPARAM w, LPARAM) -> INT_PTR {
        if (msg == WM_INITDIALOG) return TRUE;
        if (msg == WM_HSCROLL) codes.push_back(LOWORD(w));
        if (msg != WM_COMMAND) return FALSE;
        if (LOWORD(w) == IDOK) {
          BOOL ok = FALSE;
          const UINT n = GetDlgItemInt(dlg, 109, &ok, FALSE);
          numbers.push_back({n, ok});
        }
        if (LOWORD(w) == IDCANCEL) EndDialog(dlg, IDCANCEL);
        return TRUE;
      },
      0);
  EXPECT_EQ(r, IDCANCEL);
  const std::vector<WORD> want = {SB_LINERIGHT, SB_LINELEFT, SB_RIGHT, SB_LEFT};
  std::vector<WORD> keyCodes;
  for (WORD c : codes) {
    if (c != SB_ENDSCROLL) keyCodes.push_back(c);
  }
  EXPECT_EQ(keyCodes, want);
  const std::vector<std::pair<UINT, BOOL>> read = {{30u, TRUE}, {0u, FALSE}};
  EXPECT_EQ(numbers, read);
}

}  // namespace
}  // namespace klop_test
