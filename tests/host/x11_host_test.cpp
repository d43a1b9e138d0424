// The X11 host where the end-to-end scripts cannot reach: the key table, pixel layouts
// of servers Xvfb cannot be, what the window manager and a launcher hear, and an X
// server that goes away under it.
#include <SDL_keycode.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon-keysyms.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/host/sdl/sdl_keys.h"
#include "platform/host/x11/x11_format.h"
#include "platform/host/x11/x11_host.h"
#include "platform/host/x11/x11_keyboard.h"
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

// Olive, white and a grey in each screen layout a server may have, as the bytes a
// ZPixmap row carries.
TEST(X11PixelFormat, OurPixelsBecomeTheScreensBytes) {
  const std::uint32_t pixels[] = {0x808000, 0xFFFFFF, 0x0A141E};
  struct {
    const char* name;
    std::uint8_t depth;
    std::uint32_t red, green, blue;
    int bpp;
    bool msbFirst;
    std::vector<std::uint8_t> bytes;
  } const cases[] = {
      {"16-bit 565", 16, 0xF800, 0x7E0, 0x1F, 16, false,
       {0x00, 0x84, 0xFF, 0xFF, 0xA4, 0x08}},
      {"15-bit 555, MSB first", 15, 0x7C00, 0x3E0, 0x1F, 16, true,
       {0x42, 0x00, 0x7F, 0xFF, 0x04, 0x44}},
      {"24-bit BGR in 24 bits, MSB first", 24, 0xFF, 0xFF00, 0xFF0000, 24, true,
       {0x00, 0x80, 0x80, 0xFF, 0xFF, 0xFF, 0x1E, 0x14, 0x0A}},
      {"24-bit in 32 bits, MSB first", 24, 0xFF0000, 0xFF00, 0xFF, 32, true,
       {0, 0x80, 0x80, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0x0A, 0x14, 0x1E}},
      {"30-bit", 30, 0x3FF00000, 0xFFC00, 0x3FF, 32, false,
       {0x00, 0x08, 0x28, 0x20, 0xFF, 0xFF, 0xFF, 0x3F, 0x78, 0x40, 0x81, 0x02}},
  };
  for (const auto& c : cases) {
    x11::TPixelFormat f;
    f.Set(1, c.depth, c.red, c.green, c.blue, c.bpp, 32, c.msbFirst);
    EXPECT_FALSE(f.Native()) << c.name;
    std::vector<std::uint8_t> out(c.bytes.size());
    f.Convert(pixels, 3, out.data());
    EXPECT_EQ(out, c.bytes) << c.name;
    // Rows are padded to 32 bits.
    EXPECT_EQ(f.RowBytes(3), (std::size_t(3) * std::size_t(c.bpp) + 31) / 32 * 4) << c.name;
  }
  x11::TPixelFormat ours;
  ours.Set(1, 24, 0xFF0000, 0xFF00, 0xFF, 32, 32, false);
  EXPECT_TRUE(ours.Native());
}

// Without XKB a key types by the core protocol's rules: Shift picks the second keysym, a
// lone letter is cased, Caps Lock makes letters (alone) capitals, with Shift too, and Num
// Lock turns the keypad.
TEST(X11Keys, TheCoreMappingServesAServerWithoutXkb) {
  constexpr std::uint16_t kShift = XCB_MOD_MASK_SHIFT;
  constexpr std::uint16_t kLock = XCB_MOD_MASK_LOCK;
  constexpr std::uint16_t kNumLock = XCB_MOD_MASK_2;
  const std::uint32_t a[] = {XKB_KEY_a, XKB_KEY_A};
  const std::uint32_t q[] = {XKB_KEY_q, 0};
  const std::uint32_t one[] = {XKB_KEY_1, XKB_KEY_exclam};
  const std::uint32_t pad[] = {XKB_KEY_KP_Home, XKB_KEY_KP_7};
  struct {
    const std::uint32_t* syms;
    unsigned count;
    std::uint16_t state;
    std::uint32_t keysym;
  } const cases[] = {
      {a, 2, 0, XKB_KEY_a},
      {a, 2, kShift, XKB_KEY_A},
      {a, 2, kLock, XKB_KEY_A},
      {a, 2, kShift | kLock, XKB_KEY_A},
      {q, 1, 0, XKB_KEY_q},
      {q, 2, kShift, XKB_KEY_Q},
      {one, 2, kLock, XKB_KEY_1},
      {one, 2, kShift, XKB_KEY_exclam},
      {pad, 2, 0, XKB_KEY_KP_Home},
      {pad, 2, kNumLock, XKB_KEY_KP_7},
      {pad, 2, kNumLock | kShift, XKB_KEY_KP_Home},
      {a, 0, 0, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(x11::CoreKeysym(c.syms, c.count, c.state, kNumLock), c.keysym)
        << "keysym 0x" << std::hex << c.syms[0] << " state 0x" << c.state;
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

}  // namespace
}  // namespace platform

// The host reaches the X libraries through pointers it fills when it is chosen
// (x11_library.h, which this test does not include: it calls XCB itself).
extern decltype(&xcb_flush) klop_xcb_flush;
namespace platform::x11 {
bool LoadX11Libraries(std::string& error, const char* xcb);
}  // namespace platform::x11

namespace platform {
namespace {

// A library missing, or one without the functions, is a message naming it, and leaves
// what an earlier load resolved as it was.
TEST(X11Host, ClientLibrariesThatCannotBeLoadedAreAnError) {
  std::string error;
  ASSERT_TRUE(x11::LoadX11Libraries(error, "libxcb.so.1")) << error;
  const auto flush = klop_xcb_flush;
  ASSERT_NE(flush, nullptr);
  struct {
    const char *xcb, *message;
  } const cases[] = {
      {"libklop-no-such-library.so.1", "cannot load libklop-no-such-library.so.1: "},
      {"libc.so.6", "cannot load libc.so.6: it has no xcb_"},
  };
  for (const auto& c : cases) {
    error.clear();
    EXPECT_FALSE(x11::LoadX11Libraries(error, c.xcb)) << c.xcb;
    EXPECT_EQ(error.rfind(c.message, 0), 0u) << error;
    EXPECT_EQ(klop_xcb_flush, flush) << c.xcb;
  }
}

// Whether Xvfb is installed: without it the tests that need one are skipped.
bool HaveXvfb() {
  const char* path = std::getenv("PATH");
  std::string dirs = path != nullptr ? path : "";
  for (std::size_t at = 0; at <= dirs.size();) {
    const std::size_t end = std::min(dirs.find(':', at), dirs.size());
    if (access((dirs.substr(at, end - at) + "/Xvfb").c_str(), X_OK) == 0) return true;
    at = end + 1;
  }
  return false;
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
      // Its notes on display numbers other servers hold are no part of the test's output.
      if (const int quiet = open("/dev/null", O_WRONLY); quiet >= 0) dup2(quiet, 2);
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
  if (!HaveXvfb()) GTEST_SKIP() << "Xvfb is not installed";
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

// A connection to `display` that manages its windows as a window manager does (it is
// asked to map and configure them), hearing `more` of the root too; null if refused.
xcb_connection_t* ConnectAsWindowManager(const std::string& display, std::uint32_t more = 0) {
  xcb_connection_t* c = xcb_connect(display.c_str(), nullptr);
  if (xcb_connection_has_error(c) == 0) {
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const std::uint32_t mask =
        XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | more;
    xcb_generic_error_t* refused = xcb_request_check(
        c, xcb_change_window_attributes_checked(c, root, XCB_CW_EVENT_MASK, &mask));
    if (refused == nullptr) return c;
    std::free(refused);
  }
  xcb_disconnect(c);
  return nullptr;
}

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
  xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(
      c, xcb_intern_atom(c, 0, std::uint16_t(std::strlen(name)), name), nullptr);
  const xcb_atom_t atom = r ? r->atom : xcb_atom_t{XCB_ATOM_NONE};
  std::free(r);
  return atom;
}

// A 32-bit property of `window`, empty when unset.
std::vector<std::uint32_t> Cardinals(xcb_connection_t* c, xcb_window_t window, xcb_atom_t name) {
  xcb_get_property_reply_t* r = xcb_get_property_reply(
      c, xcb_get_property(c, 0, window, name, XCB_GET_PROPERTY_TYPE_ANY, 0, 16), nullptr);
  std::vector<std::uint32_t> v;
  if (r != nullptr && r->format == 32) {
    const auto* p = static_cast<const std::uint32_t*>(xcb_get_property_value(r));
    v.assign(p, p + xcb_get_property_value_length(r) / 4);
  }
  std::free(r);
  return v;
}

// What a window manager and a launcher hear from the program: the launch is announced
// done (and not passed on to children), the window belongs to the program's group and
// carries the launch's time, and a ping comes back on the root window unchanged but for
// the window. (Servers since 2015 clear the bit that says an event was sent before
// checking its type, so this one cannot show that the reply leaves it out.)
TEST(X11Host, TheWindowManagerAndTheLauncherAreAnswered) {
  if (!HaveXvfb()) GTEST_SKIP() << "Xvfb is not installed";
  TXvfb xvfb;
  ASSERT_FALSE(xvfb.Display().empty()) << "Xvfb did not start";
  xcb_connection_t* wm = ConnectAsWindowManager(xvfb.Display(), XCB_EVENT_MASK_PROPERTY_CHANGE);
  ASSERT_NE(wm, nullptr);
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(wm)).data->root;
  setenv("DISPLAY", xvfb.Display().c_str(), 1);
  const std::string launch = "klop \"test\"_TIME4321";
  setenv("DESKTOP_STARTUP_ID", launch.c_str(), 1);
  std::string error;
  std::unique_ptr<Host> host = MakeX11Host(error);
  ASSERT_NE(host, nullptr) << error;
  EXPECT_EQ(std::getenv("DESKTOP_STARTUP_ID"), nullptr);
  HostWindowSpec asked;
  asked.width = 40;
  asked.height = 30;
  const HostWindow window = host->CreateWindow(asked);
  host->Show(window, HostShow::Normal);
  // The host's requests come on a connection of their own: ping only a window the
  // server already has, or the ping is lost as a bad window.
  const HostTime made = host->Now() + std::chrono::seconds(5);
  auto exists = [&] {
    xcb_get_window_attributes_reply_t* r = xcb_get_window_attributes_reply(
        wm, xcb_get_window_attributes(wm, window), nullptr);
    std::free(r);
    return r != nullptr;
  };
  while (!exists() && host->Now() < made) host->Wait(host->Now() + std::chrono::milliseconds(10));
  ASSERT_TRUE(exists()) << "the window never reached the server";

  xcb_client_message_event_t ping{};
  ping.response_type = XCB_CLIENT_MESSAGE;
  ping.format = 32;
  ping.window = window;
  ping.type = Atom(wm, "WM_PROTOCOLS");
  ping.data.data32[0] = Atom(wm, "_NET_WM_PING");
  ping.data.data32[1] = 1234;
  ping.data.data32[2] = window;
  xcb_send_event(wm, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&ping));
  xcb_flush(wm);

  const xcb_atom_t begin = Atom(wm, "_NET_STARTUP_INFO_BEGIN");
  const xcb_atom_t more = Atom(wm, "_NET_STARTUP_INFO");
  std::string startup;  // the launcher's message, to its NUL
  bool answered = false;
  const HostTime end = host->Now() + std::chrono::seconds(5);
  while (!answered && host->Now() < end) {
    host->Wait(host->Now() + std::chrono::milliseconds(20));
    for (HostEvent e; host->NextEvent(e);) {
    }
    while (xcb_generic_event_t* e = xcb_poll_for_event(wm)) {
      const auto* m = reinterpret_cast<const xcb_client_message_event_t*>(e);
      if ((e->response_type & 0x7F) == XCB_CLIENT_MESSAGE && m->format == 8 &&
          (m->type == begin || (m->type == more && !startup.empty()))) {
        if (m->type == begin) startup.clear();
        startup.append(reinterpret_cast<const char*>(m->data.data8), 20);
      }
      answered = answered || ((e->response_type & 0x7F) == XCB_CLIENT_MESSAGE &&
                              m->window == root && m->data.data32[0] == ping.data.data32[0] &&
                              m->data.data32[1] == 1234 && m->data.data32[2] == window);
      std::free(e);
    }
  }
  EXPECT_TRUE(answered);
  EXPECT_STREQ(startup.c_str(), "remove: ID=\"klop \\\"test\\\"_TIME4321\"");
  EXPECT_EQ(Cardinals(wm, window, Atom(wm, "_NET_WM_USER_TIME")), std::vector<std::uint32_t>{4321});
  const std::vector<std::uint32_t> leader = Cardinals(wm, window, Atom(wm, "WM_CLIENT_LEADER"));
  const std::vector<std::uint32_t> hints = Cardinals(wm, window, XCB_ATOM_WM_HINTS);
  ASSERT_EQ(leader.size(), 1u);
  ASSERT_GE(hints.size(), 9u);
  EXPECT_TRUE((hints[0] & 64) != 0 && hints[8] == leader[0]) << "no window group";
  host.reset();
  xcb_disconnect(wm);
}

// A capture the server refuses (another program holds the pointer) is asked for again,
// then reported lost, so a menu waiting for a click outside does not wait forever.
TEST(X11Host, ARefusedCaptureIsReportedLost) {
  if (!HaveXvfb()) GTEST_SKIP() << "Xvfb is not installed";
  TXvfb xvfb;
  ASSERT_FALSE(xvfb.Display().empty()) << "Xvfb did not start";
  xcb_connection_t* other = xcb_connect(xvfb.Display().c_str(), nullptr);
  ASSERT_EQ(xcb_connection_has_error(other), 0);
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(other)).data->root;
  xcb_grab_pointer_reply_t* held = xcb_grab_pointer_reply(
      other,
      xcb_grab_pointer(other, 0, root, XCB_EVENT_MASK_BUTTON_PRESS, XCB_GRAB_MODE_ASYNC,
                       XCB_GRAB_MODE_ASYNC, XCB_NONE, XCB_NONE, XCB_CURRENT_TIME),
      nullptr);
  ASSERT_TRUE(held != nullptr && held->status == XCB_GRAB_STATUS_SUCCESS);
  std::free(held);
  setenv("DISPLAY", xvfb.Display().c_str(), 1);
  std::string error;
  std::unique_ptr<Host> host = MakeX11Host(error);
  ASSERT_NE(host, nullptr) << error;
  HostWindowSpec asked;
  asked.width = 40;
  asked.height = 30;
  const HostWindow window = host->CreateWindow(asked);
  host->Show(window, HostShow::Normal);
  host->CapturePointer(window, true);
  bool lost = false;
  const HostTime end = host->Now() + std::chrono::seconds(5);
  while (!lost && host->Now() < end) {
    host->Wait(end);
    for (HostEvent e; host->NextEvent(e);) {
      lost = lost || (e.kind == HostEventKind::CaptureLost && e.window == window);
    }
  }
  EXPECT_TRUE(lost);
  host.reset();
  xcb_disconnect(other);
}

// A window manager of the test's own, acting as openbox does when it frames a new window:
// first a synthetic notice of the window's place in a frame at the screen's corner (its
// answer to the frame-extents request), then the window reparented into a frame still
// at the corner, and only then the frame moved into place and shown. The window is
// where it was asked until it shows, then where the frame put it; a move with a resize
// is read from the server.
TEST(X11Host, AWindowIsWhereItShowsNotWhereItIsFramedOnTheWay) {
  if (!HaveXvfb()) GTEST_SKIP() << "Xvfb is not installed";
  TXvfb xvfb;
  ASSERT_FALSE(xvfb.Display().empty()) << "Xvfb did not start";
  xcb_connection_t* wm = ConnectAsWindowManager(xvfb.Display());
  ASSERT_NE(wm, nullptr);
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(wm)).data->root;
  setenv("DISPLAY", xvfb.Display().c_str(), 1);
  std::string error;
  std::unique_ptr<Host> host = MakeX11Host(error);
  ASSERT_NE(host, nullptr) << error;
  HostWindowSpec asked;
  asked.x = 100;
  asked.y = 80;
  asked.width = 40;
  asked.height = 30;
  const HostWindow window = host->CreateWindow(asked);
  host->Show(window, HostShow::Normal);

  // The host's events until the first move (or 5 s): that move and whether a resize came.
  struct TMove {
    int x = -1;
    int y = -1;
    bool resized = false;
  };
  auto nextMove = [&] {
    std::free(xcb_get_input_focus_reply(wm, xcb_get_input_focus(wm), nullptr));
    TMove m;
    const HostTime end = host->Now() + std::chrono::seconds(5);
    while (m.x < 0 && host->Now() < end) {
      host->Wait(host->Now() + std::chrono::milliseconds(20));
      for (HostEvent e; m.x < 0 && host->NextEvent(e);) {
        m.resized = m.resized || (e.kind == HostEventKind::Resized && e.width == 50);
        if (e.kind == HostEventKind::Moved) m = {e.x, e.y, m.resized};
      }
    }
    return m;
  };
  auto frameExtents = [&](xcb_window_t w, std::uint32_t top) {
    const std::uint32_t extents[] = {1, 1, top, 1};
    xcb_change_property(wm, XCB_PROP_MODE_REPLACE, w, Atom(wm, "_NET_FRAME_EXTENTS"),
                        XCB_ATOM_CARDINAL, 32, 4, extents);
  };
  xcb_configure_notify_event_t notice{};
  notice.response_type = XCB_CONFIGURE_NOTIFY;
  notice.event = notice.window = window;
  notice.x = 1;
  notice.y = 20;
  notice.width = 40;
  notice.height = 30;
  xcb_send_event(wm, 0, window, XCB_EVENT_MASK_STRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&notice));
  bool mapRequested = false;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!mapRequested && std::chrono::steady_clock::now() < end) {
    xcb_flush(wm);
    xcb_generic_event_t* e = xcb_poll_for_event(wm);
    if (e == nullptr) usleep(5000);
    mapRequested = e != nullptr && (e->response_type & 0x7F) == XCB_MAP_REQUEST &&
                   reinterpret_cast<xcb_map_request_event_t*>(e)->window == window;
    std::free(e);
  }
  ASSERT_TRUE(mapRequested);
  const xcb_window_t frame = xcb_generate_id(wm);
  xcb_create_window(wm, XCB_COPY_FROM_PARENT, frame, root, 0, 0, 42, 51, 0,
                    XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
  xcb_reparent_window(wm, window, frame, 0, 0);
  const std::uint32_t inFrame[] = {1, 20};
  xcb_configure_window(wm, window, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, inFrame);
  // A change of frame reaches the program as a move to where the window is known to be.
  frameExtents(window, 20);
  TMove m = nextMove();
  EXPECT_EQ(m.x, 100);
  EXPECT_EQ(m.y, 80);

  // Shown where the window manager chose, not where it was asked.
  const std::uint32_t placed[] = {299, 160};
  xcb_configure_window(wm, frame, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, placed);
  xcb_map_window(wm, window);
  xcb_map_window(wm, frame);
  m = nextMove();
  EXPECT_EQ(m.x, 300);
  EXPECT_EQ(m.y, 180);

  // Moved and resized with no notice but the server's own.
  const std::uint32_t moved[] = {399, 160};
  xcb_configure_window(wm, frame, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, moved);
  const std::uint32_t wider[] = {50, 30};
  xcb_configure_window(wm, window, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, wider);
  m = nextMove();
  EXPECT_EQ(m.x, 400);
  EXPECT_EQ(m.y, 180);
  EXPECT_TRUE(m.resized);
  host.reset();
  xcb_disconnect(wm);
}

TEST(X11HostDeathTest, ALostConnectionEndsTheProgramWithAMessage) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  if (!HaveXvfb()) GTEST_SKIP() << "Xvfb is not installed";
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
    waitpid(xvfb.Pid(), nullptr, 0);  // gone, and its end of the connection closed
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
