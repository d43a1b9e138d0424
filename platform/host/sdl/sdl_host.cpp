// The SDL2 host.
//
// Pixel pipeline: the platform draws into its own 0x00RRGGBB surface per top-level
// window and calls Present with the rectangles that changed. Each rectangle is
// copied into this host's shadow of the window (so that an expose or a resize can
// be answered without the platform) and converted into SDL's software window
// surface; only those rectangles are then pushed to the display with
// SDL_UpdateWindowSurfaceRects. Nothing is drawn by the GPU: the framebuffer stays
// in software, which keeps the process small and the window's X id stable. On a
// high-density desktop the program wraps this host in a scaled one (scaled_host.h),
// so the pixels arriving here are already N times larger.
//
// Input is read in Wait and NextEvent, translated into HostEvents and kept in a queue
// until taken. Wait blocks on the X server's socket until it speaks or the deadline
// comes (in SDL_WaitEventTimeout where there is no X connection): no polling loop.
//
// The host's class is in sdl_host_internal.h; this file opens SDL and holds the Host
// interface's clock and the wait.
#include "platform/host/sdl/sdl_host.h"

#include <SDL.h>
#include <poll.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <tuple>

#include "klop_config.h"
#include "platform/host/host_events.h"
#include "platform/host/scale.h"
#include "platform/host/sdl/sdl_host_internal.h"
#include "platform/host/sdl/sdl_x11.h"

namespace platform {
namespace {

bool g_open = false;  // SDL is process-wide: one host at a time

// libX11 parses the locale's whole compose table (half a megabyte) whenever SDL opens
// its input method, unless it finds a cache of it: by default only in ~/.compose-cache,
// which nobody creates. Pointing XCOMPOSECACHE at our own cache folder (made private,
// as libX11 insists) lets every start after the first read the cache instead. libX11
// keeps no cache for root, so neither do we; a user's own XCOMPOSECACHE wins.
void UseComposeCache() {
  if (geteuid() == 0 || std::getenv("XCOMPOSECACHE") != nullptr) return;
  std::string folder;
  const char* cache = std::getenv("XDG_CACHE_HOME");
  const char* home = std::getenv("HOME");
  if (cache != nullptr && cache[0] == '/') {
    folder = cache;
    mkdir(folder.c_str(), 0700);
  } else if (home != nullptr && home[0] == '/') {
    folder = std::string(home) + "/.cache";
    mkdir(folder.c_str(), 0700);
  } else {
    return;
  }
  folder += "/klop";
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return;
  setenv("XCOMPOSECACHE", folder.c_str(), 0);
}

// SDL's Wayland driver has no software window framebuffer: a window surface there is
// always a streaming texture of a GL renderer. With the acceleration hint off,
// SDL_GetWindowSurface answers NULL, so nothing is ever attached and the toplevel never
// maps. On Wayland the hint must allow the texture (or name a renderer).
void KeepTextureFramebuffer() {
  const char* hint = SDL_GetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION);
  if (hint == nullptr || std::strcmp(hint, "0") == 0 || SDL_strcasecmp(hint, "false") == 0 ||
      SDL_strcasecmp(hint, "software") == 0) {
    SDL_SetHintWithPriority(SDL_HINT_FRAMEBUFFER_ACCELERATION, "1", SDL_HINT_OVERRIDE);
  }
}

}  // namespace

namespace sdl {

TSdlHost::TSdlHost(bool onWayland)
    : OnWayland_(onWayland), TicksBase_(Now() - std::chrono::milliseconds(SDL_GetTicks64())) {}

TSdlHost::~TSdlHost() {
  SDL_SetCursor(nullptr);
  for (auto& [id, cursor] : Cursors_) SDL_FreeCursor(cursor);
  if (Arrow_ != nullptr) SDL_FreeCursor(Arrow_);
  for (auto& [id, w] : Windows_) SDL_DestroyWindow(w.Window);
  SDL_Quit();
  g_open = false;
}

int TSdlHost::DesktopScale() const {
  const std::string resources = X11Resources();
  return XftScaleOf(resources.c_str());
}

bool TSdlHost::NextEvent(HostEvent& event) {
  SDL_Event e;
  while (Pending_.Empty() && SDL_PollEvent(&e) != 0) Translate(e);
  return Pending_.Pop(event);
}

void TSdlHost::Wait(HostTime deadline) {
  SDL_Event e;
  for (;;) {
    while (Pending_.Empty() && SDL_PollEvent(&e) != 0) Translate(e);
    if (!Pending_.Empty()) return;
    const bool endless = deadline == HostTime::max();
    HostTime left = HostTime::max();
    if (!endless) {
      HostTime now = Now();
      if (deadline <= now) return;  // compared first: deadline - now may not fit
      left = deadline - now;
    }
    if (XConnection_ >= 0) {
      // SDL_PollEvent has read everything the X connection held, so it is enough
      // to sleep until the server sends more, to the nanosecond of the deadline.
      // (SDL's own blocking wait wakes itself with a message to one of our
      // windows over a second connection, which kills the program when that
      // window is being destroyed.)
      pollfd x{XConnection_, POLLIN, 0};
      const timespec t = endless ? timespec{} : TimespecOf(left);
      ppoll(&x, 1, endless ? nullptr : &t, nullptr);
    } else {
      // In whole milliseconds, rounded up: a wait that ends early would make the
      // caller's timer fire early.
      int ms = -1;
      if (!endless) {
        auto up = std::chrono::ceil<std::chrono::milliseconds>(left).count();
        ms = int(std::min<std::int64_t>(up, INT_MAX));
      }
      int got = ms < 0 ? SDL_WaitEvent(&e) : SDL_WaitEventTimeout(&e, ms);
      if (got != 0) Translate(e);
    }
  }
}

}  // namespace sdl

const char* SdlVideoDriver(int major, int minor, int patch, const char* asked,
                           const char* waylandDisplay, const char* display) {
  auto set = [](const char* s) { return s != nullptr && *s != '\0'; };
  const bool mended = std::make_tuple(major, minor, patch) >= std::make_tuple(2, 30, 1);
  const bool wayland = set(asked) ? std::strcmp(asked, "wayland") == 0 : set(waylandDisplay);
  if (mended || !wayland) return "";
  return set(display) ? "x11" : nullptr;
}

std::unique_ptr<Host> MakeSdlHost(std::string& error) {
  if (g_open) {
    error = "the display is already open";
    return nullptr;
  }
  // Software framebuffer: no GL stack, a small process, and the window keeps its id.
  // (Not on Wayland, where SDL has no framebuffer of its own: see below.)
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  // The desktop entry's id as the app id, so that a Wayland desktop matches our windows
  // to the entry; SDL 2 reads it from the environment only. A user's own value wins.
  setenv("SDL_VIDEO_WAYLAND_WMCLASS", KLOP_APP_ID, 0);
  // Signals keep their usual meaning; closing is the program's business, per window.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  // A small windowed program: let the screen saver run and the compositor composite.
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
  // With no session bus advertised, SDL's D-Bus start-up would fork and exec
  // dbus-launch to find or start one (about 8 ms before the first frame); nothing here
  // needs a bus that the desktop did not give us.
  setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 0);
  // Display modes through XRandR cost round trips at start, and a windowed program
  // never changes them.
  SDL_SetHint(SDL_HINT_VIDEO_X11_XRANDR, "0");
  UseComposeCache();
  SDL_version linked{};
  SDL_GetVersion(&linked);
  const char* only = SdlVideoDriver(linked.major, linked.minor, linked.patch,
                                    std::getenv("SDL_VIDEODRIVER"), std::getenv("WAYLAND_DISPLAY"),
                                    std::getenv("DISPLAY"));
  if (only == nullptr) {
    error = "SDL " + std::to_string(linked.major) + "." + std::to_string(linked.minor) + "." +
            std::to_string(linked.patch) +
            " crashes on Wayland (2.30.1 mends it), and no XWayland DISPLAY is set; "
            "KLOP_HOST=wayland opens the native Wayland host";
    return nullptr;
  }
  if (*only != '\0') SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, only, SDL_HINT_OVERRIDE);
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    error = SDL_GetError();
    return nullptr;
  }
  // With no display SDL falls back to drivers that show nothing; a window nobody can
  // see is a failure unless one of them was asked for by name.
  const char* driver = SDL_GetCurrentVideoDriver();
  const char* asked = std::getenv("SDL_VIDEODRIVER");
  if (driver != nullptr &&
      (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0) &&
      (asked == nullptr || std::strcmp(asked, driver) != 0)) {
    SDL_Quit();
    error = "no display to show windows on (is DISPLAY or WAYLAND_DISPLAY set?)";
    return nullptr;
  }
  const bool wayland = driver != nullptr && std::strcmp(driver, "wayland") == 0;
  if (wayland) KeepTextureFramebuffer();
  g_open = true;
  return std::make_unique<sdl::TSdlHost>(wayland);
}

}  // namespace platform
