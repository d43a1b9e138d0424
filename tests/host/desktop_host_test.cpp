// The host's choice from the environment, and the SDL module loaded from beside the
// test program as the build tree's programs load it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/host/desktop_host.h"

namespace platform {
namespace {

TEST(DesktopHost, ChoiceFromTheEnvironment) {
  struct TCase {
    const char* klopHost;
    const char* display;
    const char* wayland;
    THostKind chosen;
  } cases[] = {
      {nullptr, ":0", nullptr, THostKind::X11},
      {nullptr, ":0", "wayland-0", THostKind::Wayland},  // native, not through XWayland
      {nullptr, nullptr, "wayland-0", THostKind::Wayland},
      {nullptr, "", "wayland-0", THostKind::Wayland},
      {"wayland", ":0", nullptr, THostKind::Wayland},
      {"sdl", ":0", nullptr, THostKind::Sdl},
      {"x11", nullptr, "wayland-0", THostKind::X11},
      {"", ":0", nullptr, THostKind::X11},  // set but empty is unset
      {"SDL", ":0", nullptr, THostKind::None},
      {"gtk", ":0", nullptr, THostKind::None},
      {nullptr, nullptr, nullptr, THostKind::None},
      {nullptr, "", "", THostKind::None},
  };
  for (const TCase& c : cases) {
    std::string error;
    const THostKind got = ChooseHost(c.klopHost, c.display, c.wayland, error);
    SCOPED_TRACE(std::string("KLOP_HOST=") + (c.klopHost ? c.klopHost : "(unset)") +
                 " DISPLAY=" + (c.display ? c.display : "(unset)") +
                 " WAYLAND_DISPLAY=" + (c.wayland ? c.wayland : "(unset)"));
    EXPECT_EQ(got, c.chosen);
    EXPECT_EQ(error.empty(), got != THostKind::None) << error;
  }
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
