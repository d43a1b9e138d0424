// Message boxes through the headless host: each button and key, the owner and task
// modality, the layout, and golden images of the game's two kinds of box.
#include <cstdlib>
#include "dialog_test_support.h"

#include "platform/window/window_internal.h"
#include "tests/support/golden.h"

namespace klop_test {
namespace {

constexpr unsigned kAlt = platform::kModAlt;

class MessageBoxTest : public TDialogTest {
 protected:
  void SetUp() override {
    TDialogTest::SetUp();
    owner = MakeOwner();
    handlers[owner] = [this](HWND, UINT msg, WPARAM, LPARAM l) -> std::optional<LRESULT> {
      if (msg == WM_ENTERIDLE) {
        box = reinterpret_cast<HWND>(l);
        if (onIdle) {
          auto once = std::move(onIdle);
          onIdle = nullptr;
          once(box);
        }
      }
      return std::nullopt;
    };
  }

  HWND owner = nullptr;
  HWND box = nullptr;
  std::function<void(HWND)> onIdle;  // once, at the first WM_ENTERIDLE of the box
};

struct TKeyCase {
  const char* what;
  UINT type;
  std::vector<std::pair<unsigned, unsigned>> keys;  // key, modifiers
  int want;
};

TEST_F(MessageBoxTest, AnswersEachKey) {
  const TKeyCase cases[] = {
      {"OK: Enter", MB_OK, {{VK_RETURN, 0}}, IDOK},
      {"OK: Escape", MB_OK, {{VK_ESCAPE, 0}}, IDOK},
      {"OK: Space", MB_OK, {{VK_SPACE, 0}}, IDOK},
      {"Yes/No: Enter on Yes", MB_YESNO, {{VK_RETURN, 0}}, IDYES},
      {"Yes/No: Tab, Enter", MB_YESNO, {{VK_TAB, 0}, {VK_RETURN, 0}}, IDNO},
      {"Yes/No: Tab twice wraps", MB_YESNO, {{VK_TAB, 0}, {VK_TAB, 0}, {VK_RETURN, 0}}, IDYES},
      {"Yes/No: N", MB_YESNO, {{'N', 0}}, IDNO},
      {"Yes/No: Y", MB_YESNO, {{'Y', 0}}, IDYES},
      {"Yes/No: Alt+N", MB_YESNO, {{'N', kAlt}}, IDNO},
      {"Yes/No: Escape does nothing", MB_YESNO, {{VK_ESCAPE, 0}, {'Y', 0}}, IDYES},
      {"Yes/No: second default", MB_YESNO | MB_DEFBUTTON2, {{VK_RETURN, 0}}, IDNO},
  };
  for (const TKeyCase& c : cases) {
    for (const auto& [vk, mods] : c.keys) {
      if (vk >= 'A' && vk <= 'Z' && mods == 0) {
        Type(static_cast<char>(vk - 'A' + 'a'));
      } else {
        Key(vk, mods);
      }
    }
    EXPECT_EQ(MessageBoxExA(owner, "Question?", "Box", c.type | MB_ICONHAND, 0), c.want) << c.what;
    EXPECT_EQ(host.Pending(), 0u) << c.what;
  }
}

TEST_F(MessageBoxTest, AnswersEachButtonClicked) {
  const struct {
    UINT type;
    int button;
  } cases[] = {{MB_OK, IDOK}, {MB_YESNO, IDYES}, {MB_YESNO, IDNO}};
  for (const auto& c : cases) {
    onIdle = [this, c](HWND b) {
      host.ClickClientAt(host.Now() + Ms(10), GetDlgItem(b, c.button), 5, 5);
    };
    EXPECT_EQ(MessageBoxA(owner, "Click", "Box", c.type), c.button);
  }
}

TEST_F(MessageBoxTest, CloseBoxAnswersOkButCannotDismissYesNo) {
  onIdle = [this](HWND b) {
    host.CloseAt(host.Now() + Ms(10), platform::THeadlessHost::HostOf(b));
  };
  EXPECT_EQ(MessageBoxA(owner, "Closing", "Box", MB_OK), IDOK);
  onIdle = [this](HWND b) {
    host.CloseAt(host.Now() + Ms(10), platform::THeadlessHost::HostOf(b));
    host.KeyAt(host.Now() + Ms(20), VK_RETURN, true);
  };
  EXPECT_EQ(MessageBoxA(owner, "Closing", "Box", MB_YESNO), IDYES);
}

TEST_F(MessageBoxTest, OwnerDisabledDuringAndActiveAfterWhileItsTimerTicks) {
  int ticks = 0;
  bool ownerEnabled = true;
  handlers[owner] = [&](HWND, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (msg == WM_TIMER) ++ticks;
    if (msg == WM_ENTERIDLE) ownerEnabled = IsWindowEnabled(owner) != FALSE;
    return std::nullopt;
  };
  ASSERT_NE(SetTimer(owner, 1, 100, nullptr), 0u);
  host.KeyAt(Ms(1050), VK_RETURN, true);
  EXPECT_EQ(MessageBoxExA(owner, "Wait", "Box", MB_OK, 0), IDOK);
  EXPECT_EQ(ticks, 10);
  EXPECT_FALSE(ownerEnabled);
  EXPECT_TRUE(IsWindowEnabled(owner));
  EXPECT_EQ(GetActiveWindow(), owner);
}

TEST_F(MessageBoxTest, WithoutOwnerEveryWindowWaitsAndItWorksBeforeAnyWindow) {
  platform::ResetForTesting();
  host.KeyAt(Ms(10), VK_RETURN, true);
  EXPECT_EQ(MessageBoxExA(nullptr, "Exception #32739 (no message available).",
                          "Unhandled Exception", MB_OK | MB_ICONHAND | MB_TASKMODAL, 0),
            IDOK);
  EXPECT_TRUE(platform::AllWindows().empty());

  const HWND a = MakeTop();
  const HWND b = MakeTop();
  std::vector<bool> enabledAtTicks;
  handlers[a] = [&](HWND, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (msg == WM_TIMER) enabledAtTicks.push_back(IsWindowEnabled(a) || IsWindowEnabled(b));
    return std::nullopt;
  };
  SetTimer(a, 1, 100, nullptr);
  host.KeyAt(Ms(350), 'Y', true);
  EXPECT_EQ(MessageBoxExA(nullptr, "Failed\nOK to Resume?", "Unhandled Exception",
                          MB_YESNO | MB_ICONHAND | MB_TASKMODAL, 0),
            IDYES);
  EXPECT_EQ(enabledAtTicks, (std::vector<bool>{false, false, false}));
  EXPECT_TRUE(IsWindowEnabled(a));
  EXPECT_TRUE(IsWindowEnabled(b));
}

TEST_F(MessageBoxTest, RefusesWhatItDoesNotOffer) {
  EXPECT_EQ(MessageBoxA(owner, "x", "y", MB_OKCANCEL), 0);
  EXPECT_EQ(MessageBoxA(owner, "x", "y", MB_OK | MB_ICONQUESTION), 0);
  EXPECT_EQ(MessageBoxA(reinterpret_cast<HWND>(0x5555), "x", "y", MB_OK), 0);
  EXPECT_TRUE(IsWindowEnabled(owner));
}

TEST_F(MessageBoxTest, SizedToItsTextAndCentred) {
  const auto measure = [this](const char* text, UINT type, RECT& client, RECT& window) {
    onIdle = [&, this](HWND b) {
      GetClientRect(b, &client);
      GetWindowRect(b, &window);
      host.KeyAt(host.Now() + Ms(10), VK_RETURN, true);
    };
    MessageBoxA(owner, text, "", type);
  };
  RECT one{}, two{}, wide{}, w1{}, w2{}, w3{};
  measure("Short", MB_OK, one, w1);
  measure("Short\nShort", MB_OK, two, w2);
  EXPECT_EQ(two.bottom - one.bottom, 13);  // one more line of the dialog font
  EXPECT_EQ(two.right, one.right);
  std::string words;
  for (int i = 0; i < 60; ++i) words += "word ";
  measure(words.c_str(), MB_OK | MB_ICONEXCLAMATION, wide, w3);
  EXPECT_LE(wide.right, 12 + 32 + 12 + 400 + 12);  // wrapped, not one long line
  EXPECT_GT(wide.bottom, 3 * 13);
  // Centred over the owner's window.
  RECT o;
  GetWindowRect(owner, &o);
  EXPECT_LE(std::abs((w1.left + w1.right) - (o.left + o.right)), 1);
  EXPECT_LE(std::abs((w1.top + w1.bottom) - (o.top + o.bottom)), 1);
}

TEST_F(MessageBoxTest, StopBoxWithYesNoLooksClassic) {
  klop::test::TPixels p;
  onIdle = [&](HWND b) {
    p.Pixels = host.ClientPixels(b, p.Width, p.Height);
    host.KeyAt(host.Now() + Ms(10), VK_RETURN, true);
  };
  MessageBoxExA(owner, "Exception #32739 (no message available).\nOK to Resume?",
                "Unhandled Exception", MB_YESNO | MB_ICONHAND | MB_TASKMODAL, 0);
  ASSERT_FALSE(p.Pixels.empty());
  // The stop icon: a red disc ringed in dark red with a white cross at its middle.
  EXPECT_GT(p.Count(13, 13, 41, 41, 0xFF0000), 400);
  EXPECT_EQ(p.At(26, 13), 0x800000u);
  EXPECT_EQ(p.At(27, 27), 0xFFFFFFu);
  EXPECT_EQ(p.At(16, 26), 0xFF0000u);
  // Two lines of black text right of it; Yes the default (framed in black), No raised.
  EXPECT_GT(p.Count(53, 14, 263, 50, 0), 150);
  EXPECT_EQ(p.At(53, 58), 0u);
  EXPECT_EQ(p.At(54, 59), 0xFFFFFFu);
  EXPECT_EQ(p.At(134, 58), 0xFFFFFFu);
  EXPECT_EQ(p.At(208, 80), 0u);
  klop::test::ExpectGolden("message_box_stop_yes_no", p);
}

TEST_F(MessageBoxTest, ExclamationBoxWithEmptyCaptionLooksClassic) {
  klop::test::TPixels p;
  onIdle = [&](HWND b) {
    p.Pixels = host.ClientPixels(b, p.Width, p.Height);
    char caption[8] = "x";
    GetWindowTextA(b, caption, sizeof caption);
    EXPECT_STREQ(caption, "");
    char text[32] = {};
    GetDlgItemTextA(b, 0xFFFF, text, sizeof text);  // the text is a static, as usual
    EXPECT_STREQ(text, "No Timers Left");
    host.KeyAt(host.Now() + Ms(10), VK_RETURN, true);
  };
  EXPECT_EQ(MessageBoxExA(owner, "No Timers Left", "", MB_OK | MB_ICONEXCLAMATION, 0), IDOK);
  ASSERT_FALSE(p.Pixels.empty());
  // A yellow triangle with a black mark; OK alone, the default, focused.
  EXPECT_GT(p.Count(13, 13, 43, 43, 0xFFFF00), 250);
  EXPECT_EQ(p.At(28, 30), 0u);
  EXPECT_EQ(p.At(30, 58), 0u);
  EXPECT_EQ(p.At(31, 59), 0xFFFFFFu);
  EXPECT_EQ(p.At(34, 62), 0u);
  klop::test::ExpectGolden("message_box_exclamation", p);
}

}  // namespace
}  // namespace klop_test
