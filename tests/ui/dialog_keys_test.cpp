// The dialog keyboard with stand-in controls: Tab and Shift+Tab, Enter and the default
// button, Escape, mnemonics, arrows within a group, and the default-button look.
#include "dialog_test_support.h"

namespace klop_test {
namespace {

constexpr DWORD kFrame = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
constexpr unsigned kAlt = platform::kModAlt;
constexpr unsigned kShift = platform::kModShift;

// Tab stops in order: 11 edit, OK, Cancel, 12 bar, (13 disabled), 15 edit.
std::vector<std::uint8_t> KeysTemplate(DWORD okStyle = 0) {
  TTemplateWriter t(kFrame, 0, 0, 100, 80, "Keys");
  t.Control(WS_GROUP, 4, 4, 40, 8, 10, 0, "&Name:", "DlgLabel")
      .Control(WS_TABSTOP, 4, 14, 60, 12, 11, 0, "abc", "DlgEdit")
      .Control(WS_TABSTOP | WS_GROUP | okStyle, 4, 60, 40, 14, IDOK, 0, "OK", "DlgButton")
      .Control(WS_TABSTOP, 50, 60, 40, 14, IDCANCEL, 0, "&Cancel", "DlgButton")
      .Control(WS_TABSTOP | WS_GROUP, 4, 30, 90, 9, 12, 0, "", "DlgBar")
      .Control(WS_TABSTOP | WS_DISABLED, 4, 44, 40, 12, 13, 0, "&Help", "DlgButton")
      .Control(WS_GROUP, 50, 44, 20, 8, 14, 0, "&Size", "DlgLabel")
      .Control(WS_TABSTOP, 70, 44, 20, 12, 15, 0, "", "DlgEdit");
  return t.Bytes;
}

class DialogKeysTest : public TDialogTest {
 protected:
  void SetUp() override {
    TDialogTest::SetUp();
    RegisterStandInControls();
    module = ModuleWith({{"KEYS", KeysTemplate()}, {"KEYSDEF", KeysTemplate(BS_DEFPUSHBUTTON)}});
    owner = MakeOwner();
  }
  INT_PTR Run(const char* name = "Keys") { return TDialogTest::Run(module, name, owner); }
  void Tabs(int n, unsigned mods = 0) {
    for (int i = 0; i < n; ++i) Key(VK_TAB, mods);
  }
  HINSTANCE module = nullptr;
  HWND owner = nullptr;
};

TEST_F(DialogKeysTest, TabWalksTheTabStopsInOrderAndWraps) {
  Tabs(5);
  Tabs(2, kShift);
  Key(VK_ESCAPE);
  EXPECT_EQ(Run(), IDCANCEL);
  // The disabled button and the labels are passed over.
  EXPECT_EQ(idleFocus, (std::vector<int>{11, IDOK, IDCANCEL, 12, 15, 11, 15, 12}));
  // An edit tabbed into has all its text selected: at the start, and each time after.
  for (const auto& sel : standIns.selections) {
    EXPECT_EQ(sel.second, -1);
  }
  EXPECT_EQ(standIns.selections.size(), 4u);
}

TEST_F(DialogKeysTest, HiddenControlsAreNoTabStops) {
  onInit = [](HWND dlg) {
    ShowWindow(GetDlgItem(dlg, IDCANCEL), SW_HIDE);
    return TRUE;
  };
  Tabs(3);
  Key(VK_ESCAPE);
  Run();
  EXPECT_EQ(idleFocus, (std::vector<int>{11, IDOK, 12, 15}));
}

TEST_F(DialogKeysTest, EnterPressesTheFocusedButtonElseTheDefault) {
  struct {
    int tabs;
    WORD want;
  } const cases[] = {{0, IDOK}, {1, IDOK}, {2, IDCANCEL}, {3, IDOK}, {4, IDOK}};
  for (const auto& c : cases) {
    commands.clear();
    Tabs(c.tabs);
    Key(VK_RETURN);
    EXPECT_EQ(Run(), c.want) << c.tabs << " tabs";
    EXPECT_EQ(commands, std::vector<WORD>{c.want}) << c.tabs << " tabs";
  }
}

TEST_F(DialogKeysTest, EnterFollowsDmGetDefIdAndIgnoresADisabledDefault) {
  onInit = [](HWND dlg) {
    SendMessageA(dlg, DM_SETDEFID, 12, 0);  // a scroll bar: Enter still sends its id
    return TRUE;
  };
  Key(VK_RETURN);
  Key(VK_ESCAPE);
  EXPECT_EQ(Run(), IDCANCEL);
  EXPECT_EQ(commands, (std::vector<WORD>{12, IDCANCEL}));

  commands.clear();
  onInit = [](HWND dlg) {
    EnableWindow(GetDlgItem(dlg, IDOK), FALSE);
    return TRUE;
  };
  Key(VK_RETURN);
  Key(VK_ESCAPE);
  EXPECT_EQ(Run(), IDCANCEL);
  EXPECT_EQ(commands, std::vector<WORD>{IDCANCEL});  // nothing for Enter
}

TEST_F(DialogKeysTest, EscapeIsCancelFromAnywhere) {
  for (int tabs : {0, 1, 3}) {
    commands.clear();
    Tabs(tabs);
    Key(VK_ESCAPE);
    EXPECT_EQ(Run(), IDCANCEL);
    EXPECT_EQ(commands, std::vector<WORD>{IDCANCEL});
  }
}

TEST_F(DialogKeysTest, MnemonicsFocusTheControlAfterTheLabelOrClickTheButton) {
  Key('S', kAlt);  // "&Size" hands over to the edit after it
  Key('N', kAlt);  // "&Name:"
  Key('H', kAlt);  // "&Help" is disabled: nothing
  Type('s');       // an edit wants its characters: no move
  Key(VK_TAB);     // to OK, which wants no characters
  Type('s');       // so a plain letter is a mnemonic there
  Key('C', kAlt);  // "&Cancel" is clicked
  EXPECT_EQ(Run(), IDCANCEL);
  EXPECT_EQ(idleFocus, (std::vector<int>{11, 15, 11, IDOK, 15}));
  ASSERT_EQ(standIns.chars.size(), 1u);
  EXPECT_EQ(standIns.chars[0].second, static_cast<WPARAM>('s'));
  EXPECT_EQ(commands, std::vector<WORD>{IDCANCEL});
}

TEST_F(DialogKeysTest, ArrowsMoveWithinTheGroupUnlessTheControlWantsThem) {
  Key(VK_TAB);    // OK: the group OK, Cancel
  Key(VK_RIGHT);  // Cancel
  Key(VK_DOWN);   // wraps to OK
  Key(VK_LEFT);   // back to Cancel
  Key(VK_TAB);    // the bar wants its arrows
  Key(VK_RIGHT);
  Key(VK_ESCAPE);
  EXPECT_EQ(Run(), IDCANCEL);
  EXPECT_EQ(idleFocus, (std::vector<int>{11, IDOK, IDCANCEL, IDOK, IDCANCEL, 12}));
  ASSERT_FALSE(standIns.keys.empty());
  EXPECT_EQ(standIns.keys.back().second, static_cast<WPARAM>(VK_RIGHT));
}

TEST_F(DialogKeysTest, FocusedPushButtonTakesTheDefaultLook) {
  std::vector<std::pair<int, WPARAM>> styles;
  handlers[owner] = [&](HWND, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (msg == WM_ENTERIDLE) {
      for (const auto& [h, s] : standIns.buttonStyles) styles.push_back({GetDlgCtrlID(h), s});
      standIns.buttonStyles.clear();
    }
    return std::nullopt;
  };
  Tabs(3);  // OK, Cancel, the bar
  Key(VK_ESCAPE);
  Run();
  const std::vector<std::pair<int, WPARAM>> want = {{IDOK, BS_DEFPUSHBUTTON},
                                                    {IDOK, BS_PUSHBUTTON},
                                                    {IDCANCEL, BS_DEFPUSHBUTTON},
                                                    {IDCANCEL, BS_PUSHBUTTON}};
  EXPECT_EQ(styles, want);

  // With a default button in the template it gets the look back when the focus leaves.
  styles.clear();
  Tabs(3);
  Key(VK_ESCAPE);
  TDialogTest::Run(module, "KeysDef", owner);
  const std::vector<std::pair<int, WPARAM>> back = {{IDOK, BS_PUSHBUTTON},
                                                    {IDCANCEL, BS_DEFPUSHBUTTON},
                                                    {IDCANCEL, BS_PUSHBUTTON},
                                                    {IDOK, BS_DEFPUSHBUTTON}};
  EXPECT_EQ(styles, back);
}

TEST_F(DialogKeysTest, ADialogWithoutTabStopsStillHearsEnterAndEscape) {
  TTemplateWriter t(kFrame, 0, 0, 60, 40, "Bare");
  t.Control(0, 4, 4, 40, 8, 10, 0, "Nothing to focus", "DlgLabel");
  const HINSTANCE bare = ModuleWith({{"BARE", t.Bytes}});
  Key(VK_RETURN);
  EXPECT_EQ(TDialogTest::Run(bare, "Bare", owner), IDOK);
  EXPECT_EQ(commands, std::vector<WORD>{IDOK});
  commands.clear();
  Key(VK_ESCAPE);
  EXPECT_EQ(TDialogTest::Run(bare, "Bare", owner), IDCANCEL);
}

}  // namespace
}  // namespace klop_test
