// The X11 host where the end-to-end scripts cannot reach: the key table, and an X
// server that goes away under it.
#include <SDL_keycode.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon-keysyms.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/host/sdl_keys.h"
#include "platform/host/x11/x11_host.h"
#include "platform/host/xkb_keys.h"

namespace platform {
namespace {

TEST(X11Keys, KeysymsGiveTheVirtualKeysTheSdlHostGives) {
  // Printable ASCII is the same number as a keysym and as an SDL key code (SDL's letters
  // are the small ones, as a key's first level is).
  int known = 0;
  for (std::uint32_t c = 0x20; c < 0x7F; ++c) {
    const std::int32_t sdl = (c >= 'A' && c <= 'Z') ? std::int32_t(c - 'A' + 'a') : std::int32_t(c);
    EXPECT_EQ(VirtualKeyOfKeysym(c), VirtualKeyOf(sdl)) << "character 0x" << std::hex << c;
    known += VirtualKeyOf(sdl) != 0;
  }
  EXPECT_EQ(known, 26 + 26 + 10 + 12);  // letters twice, digits, space and 11 punctuation keys
  // The same key under its two names; the keypad by position, Num Lock on or off.
  struct {
    std::uint32_t keysym;
    std::int32_t sdl;
  } const keys[] = {
      {XKB_KEY_F1, SDLK_F1},
      {XKB_KEY_F12, SDLK_F12},
      {XKB_KEY_Return, SDLK_RETURN},
      {XKB_KEY_KP_Enter, SDLK_KP_ENTER},
      {XKB_KEY_Escape, SDLK_ESCAPE},
      {XKB_KEY_BackSpace, SDLK_BACKSPACE},
      {XKB_KEY_Tab, SDLK_TAB},
      {XKB_KEY_Alt_L, SDLK_LALT},
      {XKB_KEY_Alt_R, SDLK_RALT},
      {XKB_KEY_Control_R, SDLK_RCTRL},
      {XKB_KEY_Shift_L, SDLK_LSHIFT},
      {XKB_KEY_Left, SDLK_LEFT},
      {XKB_KEY_Down, SDLK_DOWN},
      {XKB_KEY_Prior, SDLK_PAGEUP},
      {XKB_KEY_Home, SDLK_HOME},
      {XKB_KEY_Delete, SDLK_DELETE},
      {XKB_KEY_Insert, SDLK_INSERT},
      {XKB_KEY_Pause, SDLK_PAUSE},
      {XKB_KEY_Caps_Lock, SDLK_CAPSLOCK},
      {XKB_KEY_Super_L, SDLK_LGUI},
      {XKB_KEY_Menu, SDLK_APPLICATION},
      {XKB_KEY_KP_0, SDLK_KP_0},
      {XKB_KEY_KP_Insert, SDLK_KP_0},
      {XKB_KEY_KP_1, SDLK_KP_1},
      {XKB_KEY_KP_End, SDLK_KP_1},
      {XKB_KEY_KP_Begin, SDLK_KP_5},
      {XKB_KEY_KP_9, SDLK_KP_9},
      {XKB_KEY_KP_Prior, SDLK_KP_9},
      {XKB_KEY_KP_Delete, SDLK_KP_PERIOD},
      {XKB_KEY_KP_Decimal, SDLK_KP_PERIOD},
      {XKB_KEY_KP_Divide, SDLK_KP_DIVIDE},
      {XKB_KEY_KP_Add, SDLK_KP_PLUS},
      {XKB_KEY_Num_Lock, SDLK_NUMLOCKCLEAR},
  };
  for (const auto& k : keys) {
    EXPECT_NE(VirtualKeyOf(k.sdl), 0u) << "SDL key 0x" << std::hex << k.sdl;
    EXPECT_EQ(VirtualKeyOfKeysym(k.keysym), VirtualKeyOf(k.sdl))
        << "keysym 0x" << std::hex << k.keysym;
  }
  // Keys neither has a code for.
  for (const auto& k : {std::pair<std::uint32_t, std::int32_t>{XKB_KEY_F13, SDLK_F13},
                        {XKB_KEY_odiaeresis, 0xF6},
                        {XKB_KEY_NoSymbol, SDLK_UNKNOWN}}) {
    EXPECT_EQ(VirtualKeyOfKeysym(k.first), 0u) << "keysym 0x" << std::hex << k.first;
    EXPECT_EQ(VirtualKeyOf(k.second), 0u) << "SDL key 0x" << std::hex << k.second;
  }
  EXPECT_EQ(VirtualKeyOfKeysym(XKB_KEY_dead_acute), 0u);
}

TEST(X11Host, NoDisplayIsAnErrorNotACrash) {
  const char* saved = std::getenv("DISPLAY");
  const std::string display = saved ? saved : "";
  setenv("DISPLAY", ":987654", 1);
  std::string error;
  EXPECT_EQ(MakeX11Host(error), nullptr);
  EXPECT_NE(error.find(":987654"), std::string::npos) << error;
  if (saved) {
    setenv("DISPLAY", display.c_str(), 1);
  } else {
    unsetenv("DISPLAY");
  }
}

// An Xvfb of its own; its display number is read from -displayfd.
class TXvfb {
 public:
  TXvfb() {
    int fds[2];
    if (pipe(fds) != 0) return;
    Pid_ = fork();
    if (Pid_ == 0) {
      close(fds[0]);
      const std::string fd = std::to_string(fds[1]);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "320x240x24", "-nolisten",
             "tcp", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    // Xvfb writes its display number and a newline once it accepts connections,
    // not always in one piece.
    std::string number;
    char c = 0;
    while (Pid_ > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (!number.empty() && c == '\n') Display_ = ":" + number;
  }
  ~TXvfb() {
    if (Pid_ > 0) {
      kill(Pid_, SIGKILL);
      waitpid(Pid_, nullptr, 0);
    }
  }
  const std::string& Display() const { return Display_; }
  pid_t Pid() const { return Pid_; }

 private:
  pid_t Pid_ = -1;
  std::string Display_;
};

TEST(X11Host, TheDesktopScaleComesFromTheRootWindowsXftDpi) {
  TXvfb xvfb;
  ASSERT_FALSE(xvfb.Display().empty()) << "Xvfb did not start";
  xcb_connection_t* c = xcb_connect(xvfb.Display().c_str(), nullptr);
  ASSERT_EQ(xcb_connection_has_error(c), 0);
  const std::string resources = "Xft.antialias:\t1\nXft.dpi:\t192\n";
  xcb_change_property(c, XCB_PROP_MODE_REPLACE,
                      xcb_setup_roots_iterator(xcb_get_setup(c)).data->root,
                      XCB_ATOM_RESOURCE_MANAGER, XCB_ATOM_STRING, 8,
                      std::uint32_t(resources.size()), resources.data());
  // A round trip: the property is set before the host connects.
  std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
  setenv("DISPLAY", xvfb.Display().c_str(), 1);
  unsetenv("GDK_SCALE");
  std::string error;
  std::unique_ptr<Host> host = MakeX11Host(error);
  ASSERT_NE(host, nullptr) << error;
  EXPECT_EQ(host->DesktopScale(), 2);
  host.reset();
  xcb_disconnect(c);
}

TEST(X11HostDeathTest, ALostConnectionEndsTheProgramWithAMessage) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  TXvfb xvfb;
  ASSERT_FALSE(xvfb.Display().empty()) << "Xvfb did not start";
  setenv("DISPLAY", xvfb.Display().c_str(), 1);
  // Runs in the death test's child: the server goes while the program runs.
  auto loseTheServer = [&] {
    alarm(10);  // a hang ends by SIGALRM, which fails the test
    std::string error;
    std::unique_ptr<Host> host = MakeX11Host(error);
    if (host == nullptr) std::_Exit(3);
    HostWindowSpec asked;
    asked.width = 40;
    asked.height = 30;
    const HostWindow window = host->CreateWindow(asked);
    host->Show(window, HostShow::Normal);
    kill(xvfb.Pid(), SIGKILL);
    usleep(200 * 1000);
    // Writing to the server that went must not kill the program unheard (SIGPIPE).
    const std::vector<std::uint32_t> pixels(40 * 30);
    const HostRect all{0, 0, 40, 30};
    host->Present(window, pixels.data(), 40, 30, 40, &all, 1);
    // As a program's loop does: wait, take what came, wait again.
    for (HostEvent e;;) {
      host->Wait(HostTime::max());
      while (host->NextEvent(e)) {
      }
    }
  };
  EXPECT_EXIT(loseTheServer(), ::testing::ExitedWithCode(1), "lost the connection to the X server");
}

}  // namespace
}  // namespace platform
