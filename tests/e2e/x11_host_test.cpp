// The X11 host where the end-to-end scripts cannot reach: the key table, and an X
// server that goes away under it.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon-keysyms.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/host/x11/x11_host.h"
#include "platform/host/xkb_keys.h"

namespace platform {
namespace {

TEST(X11Keys, KeysymsGiveTheVirtualKeysTheSdlHostGives) {
  struct {
    std::uint32_t keysym;
    unsigned vk;
  } const cases[] = {
      {XKB_KEY_a, 'A'},          {XKB_KEY_Z, 'Z'},           {XKB_KEY_0, '0'},
      {XKB_KEY_9, '9'},          {XKB_KEY_F1, 0x70},         {XKB_KEY_F10, 0x79},
      {XKB_KEY_F12, 0x7B},       {XKB_KEY_F13, 0},           {XKB_KEY_Return, 0x0D},
      {XKB_KEY_KP_Enter, 0x0D},  {XKB_KEY_Escape, 0x1B},     {XKB_KEY_space, 0x20},
      {XKB_KEY_Alt_L, 0x12},     {XKB_KEY_Alt_R, 0x12},      {XKB_KEY_Control_R, 0x11},
      {XKB_KEY_Shift_L, 0x10},   {XKB_KEY_Left, 0x25},       {XKB_KEY_Down, 0x28},
      {XKB_KEY_Delete, 0x2E},    {XKB_KEY_KP_End, 0x61},     {XKB_KEY_KP_1, 0x61},
      {XKB_KEY_KP_Insert, 0x60}, {XKB_KEY_KP_Begin, 0x65},   {XKB_KEY_KP_9, 0x69},
      {XKB_KEY_KP_Delete, 0x6E}, {XKB_KEY_KP_Divide, 0x6F},  {XKB_KEY_semicolon, 0xBA},
      {XKB_KEY_grave, 0xC0},     {XKB_KEY_apostrophe, 0xDE}, {XKB_KEY_odiaeresis, 0},
      {XKB_KEY_dead_acute, 0},   {XKB_KEY_NoSymbol, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(VirtualKeyOfKeysym(c.keysym), c.vk) << "keysym 0x" << std::hex << c.keysym;
  }
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
