#include "platform/host/sdl/sdl_x11.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xutil.h>

#include <cstring>
#include <vector>

namespace platform {
namespace {

constexpr int kLargestIcon = 64;

// The Xlib display and window behind an SDL window, or false when it is not on X11.
bool X11Of(SDL_Window* window, Display*& display, Window& xwindow) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(window, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11) {
    return false;
  }
  display = info.info.x11.display;
  xwindow = info.info.x11.window;
  return true;
}

// The window manager's "Motif" hints, in their wire layout.
struct TMotifHints {
  unsigned long flags;
  unsigned long functions;
  unsigned long decorations;
  long inputMode;
  unsigned long status;
};
constexpr unsigned long kMotifFunctions = 1;
constexpr unsigned long kMotifDecorations = 2;
constexpr unsigned long kMotifFuncMove = 4;
constexpr unsigned long kMotifFuncClose = 32;
constexpr unsigned long kMotifDecorBorder = 2;
constexpr unsigned long kMotifDecorTitle = 8;

}  // namespace

void MarkWindowAsDialog(SDL_Window* window) {
  Display* display = nullptr;
  Window xwindow = 0;
  if (!X11Of(window, display, xwindow)) return;
  // SDL itself offers only the "normal", "utility" and menu window types.
  Atom type = XInternAtom(display, "_NET_WM_WINDOW_TYPE", False);
  Atom dialog = XInternAtom(display, "_NET_WM_WINDOW_TYPE_DIALOG", False);
  XChangeProperty(display, xwindow, type, XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&dialog), 1);
  // A dialog offers neither minimise (a minimised modal dialog would leave its owner
  // disabled with nothing to close) nor maximise; this replaces what SDL set at creation.
  TMotifHints hints{kMotifFunctions | kMotifDecorations, kMotifFuncMove | kMotifFuncClose,
                    kMotifDecorBorder | kMotifDecorTitle, 0, 0};
  Atom motif = XInternAtom(display, "_MOTIF_WM_HINTS", False);
  XChangeProperty(display, xwindow, motif, motif, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&hints), 5);
}

void SetWindowClass(SDL_Window* window, const char* name, const char* className) {
  Display* display = nullptr;
  Window xwindow = 0;
  if (!X11Of(window, display, xwindow)) return;
  XClassHint hint;
  hint.res_name = const_cast<char*>(name);
  hint.res_class = const_cast<char*>(className);
  XSetClassHint(display, xwindow, &hint);
}

bool SetWindowIcons(SDL_Window* window, const std::uint32_t* argb, int width, int height) {
  Display* display = nullptr;
  Window xwindow = 0;
  if (!X11Of(window, display, xwindow)) return false;
  // Format 32 properties travel as longs in Xlib, whatever their size: width, height,
  // then the rows, for each size in turn.
  std::vector<long> data;
  for (int k = 1; width * k <= kLargestIcon && height * k <= kLargestIcon; k *= 2) {
    const int w = width * k;
    const int h = height * k;
    data.push_back(w);
    data.push_back(h);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) data.push_back(long(argb[std::size_t(y / k) * width + x / k]));
    }
  }
  if (data.empty()) return false;
  Atom icon = XInternAtom(display, "_NET_WM_ICON", False);
  XChangeProperty(display, xwindow, icon, XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(data.data()), int(data.size()));
  XFlush(display);
  return true;
}

int X11ConnectionOf(SDL_Window* window) {
  Display* display = nullptr;
  Window xwindow = 0;
  return X11Of(window, display, xwindow) ? ConnectionNumber(display) : -1;
}

std::string X11Resources() {
  const char* driver = SDL_GetCurrentVideoDriver();
  if (driver == nullptr || std::strcmp(driver, "x11") != 0) return {};
  // SDL lends its display only through a window, and the scale is wanted before the
  // first one: a connection of our own, for one property that Xlib reads as it opens.
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return {};
  const char* resources = XResourceManagerString(display);
  std::string copy = resources != nullptr ? resources : "";
  XCloseDisplay(display);
  return copy;
}

}  // namespace platform
