// The host's choice from the environment, the SDL module loaded from beside the test
// program as the build tree's programs load it, and what every desktop host shares.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/host/desktop_host.h"
#include "platform/host/host_events.h"
#include "platform/host/host_text.h"

namespace platform {
namespace {

TEST(DesktopHost, ChoiceFromTheEnvironment) {
  struct TCase {
    const char* klopHost;
    const char* display;
    const char* wayland;
    THostKind chosen;
    THostKind fallback;
  } cases[] = {
      // An X screen the X11 host cannot draw on still shows through SDL.
      {nullptr, ":0", nullptr, THostKind::X11, THostKind::Sdl},
      // Native, not through XWayland, which serves when the compositor does not.
      {nullptr, ":0", "wayland-0", THostKind::Wayland, THostKind::X11},
      {nullptr, nullptr, "wayland-0", THostKind::Wayland, THostKind::None},
      {nullptr, "", "wayland-0", THostKind::Wayland, THostKind::None},
      // What the user asks for is all that is tried.
      {"wayland", ":0", nullptr, THostKind::Wayland, THostKind::None},
      {"wayland", ":0", "wayland-0", THostKind::Wayland, THostKind::None},
      {"sdl", ":0", nullptr, THostKind::Sdl, THostKind::None},
      {"x11", nullptr, "wayland-0", THostKind::X11, THostKind::None},
      {"x11", ":0", nullptr, THostKind::X11, THostKind::None},
      {"", ":0", nullptr, THostKind::X11, THostKind::Sdl},  // set but empty is unset
      {"SDL", ":0", nullptr, THostKind::None, THostKind::None},
      {"gtk", ":0", nullptr, THostKind::None, THostKind::None},
      {nullptr, nullptr, nullptr, THostKind::None, THostKind::None},
      {nullptr, "", "", THostKind::None, THostKind::None},
  };
  for (const TCase& c : cases) {
    std::string error;
    const THostChoice got = ChooseHost(c.klopHost, c.display, c.wayland, error);
    SCOPED_TRACE(std::string("KLOP_HOST=") + (c.klopHost ? c.klopHost : "(unset)") +
                 " DISPLAY=" + (c.display ? c.display : "(unset)") +
                 " WAYLAND_DISPLAY=" + (c.wayland ? c.wayland : "(unset)"));
    EXPECT_EQ(got.Host, c.chosen);
    EXPECT_EQ(got.Fallback, c.fallback);
    EXPECT_EQ(error.empty(), got.Host != THostKind::None) << error;
  }
}

// Titles reach X11's WM_NAME and the Wayland caption's font as Latin-1: a malformed
// part is one '?' and never decodes to a character.
TEST(HostText, Latin1OfMarksWhatLatin1LacksAndWhatIsMalformed) {
  EXPECT_EQ(Latin1Of("Caf\xC3\xA9 \xC2\xA9"), "Caf\xE9 \xA9");
  EXPECT_EQ(Latin1Of("\xE2\x82\xAC 5"), "? 5");         // beyond Latin-1: one '?'
  EXPECT_EQ(Latin1Of("\xF0\x9F\x98\x80!"), "?!");
  EXPECT_EQ(Latin1Of("\xC0\x80x"), "??x");               // overlong NUL: no NUL
  EXPECT_EQ(Latin1Of("\xC1\x81"), "??");                 // overlong 'A': no 'A'
  EXPECT_EQ(Latin1Of("\xE0\x80\x80"), "???");
  EXPECT_EQ(Latin1Of("\xED\xA0\x80"), "???");           // a surrogate
  EXPECT_EQ(Latin1Of("\xF4\x90\x80\x80"), "????");     // beyond U+10FFFF
  EXPECT_EQ(Latin1Of("\x80\x80" "a"), "??a");               // stray continuations
  EXPECT_EQ(Latin1Of("\xE2\x82" "A"), "?A");              // cut short
  EXPECT_EQ(Latin1Of("\xC3"), "?");
}

// The events a host keeps: in order through the ring's growth and wrap, and without
// those of a window that went.
TEST(HostEvents, TheQueueKeepsOrderAndForgetsAGoneWindow) {
  THostEventQueue q;
  HostEvent e;
  for (int round = 0; round < 3; ++round) {
    for (int i = 0; i < 100; ++i) q.Push(HostEventKind::KeyDown, 1 + i % 2, HostTime(i)).key = i;
    q.Forget(2);
    for (int i = 0; i < 100; i += 2) {
      ASSERT_TRUE(q.Pop(e));
      EXPECT_EQ(e.key, unsigned(i));
      EXPECT_EQ(e.window, 1u);
    }
    EXPECT_FALSE(q.Pop(e));
  }
  PushText(q, 1, "a\xC3\xA9\xE2\x82\xAC", HostTime{});
  std::string texts;
  while (q.Pop(e)) texts += std::string(e.text) + "|";
  EXPECT_EQ(texts, "a|\xC3\xA9|\xE2\x82\xAC|");
}

TEST(DesktopHost, TheSdlModuleLoadsAndItsHostWorks) {
  setenv("KLOP_HOST", "sdl", 1);
  setenv("SDL_VIDEODRIVER", "offscreen", 1);
  std::string error;
  std::unique_ptr<Host> host = MakeDesktopHost(error);
  ASSERT_NE(host, nullptr) << error;
  HostWindowSpec asked;
  asked.title = "module";
  asked.width = 40;
  asked.height = 30;
  const HostWindow window = host->CreateWindow(asked);
  ASSERT_NE(window, 0u);
  EXPECT_EQ(host->Bounds(window).width, 40);
  host->DestroyWindow(window);
  host.reset();
  // A second host after the first is gone: the module stays loaded and usable.
  host = MakeDesktopHost(error);
  EXPECT_NE(host, nullptr) << error;
}

TEST(DesktopHost, ABadChoiceIsAnErrorThatSaysSo) {
  setenv("KLOP_HOST", "gtk", 1);
  std::string error;
  EXPECT_EQ(MakeDesktopHost(error), nullptr);
  EXPECT_NE(error.find("KLOP_HOST"), std::string::npos) << error;
  unsetenv("KLOP_HOST");
}

}  // namespace
}  // namespace platform
