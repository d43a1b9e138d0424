#include "platform/host/sdl_x11.h"

#include <SDL.h>
#include <SDL_syswm.h>

namespace platform {

void MarkWindowAsDialog(SDL_Window* window) {
  // SDL itself offers only the "normal", "utility" and menu window types.
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(window, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11) return;
  Display* display = info.info.x11.display;
  Atom type = XInternAtom(display, "_NET_WM_WINDOW_TYPE", False);
  Atom dialog = XInternAtom(display, "_NET_WM_WINDOW_TYPE_DIALOG", False);
  XChangeProperty(display, info.info.x11.window, type, XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&dialog), 1);
}

int X11ConnectionOf(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(window, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11) return -1;
  return ConnectionNumber(info.info.x11.display);
}

}  // namespace platform
