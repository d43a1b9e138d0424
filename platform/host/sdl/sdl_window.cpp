// The SDL host's windows: making them, their titles, icons, bounds and states, and the
// desktop's work area.
#include "platform/host/sdl/sdl_host_internal.h"

#include <cerrno>
#include <string>

#include "klop_config.h"
#include "platform/host/sdl/sdl_x11.h"

namespace platform::sdl {

HostWindow TSdlHost::CreateWindow(const HostWindowSpec& asked) {
  if (asked.width <= 0 || asked.height <= 0) return 0;
  Uint32 flags = SDL_WINDOW_HIDDEN;
  if (asked.popup && OnWayland_) {
    // SDL 2's Wayland popups send an incomplete xdg_positioner (no size, no anchor
    // rectangle), which the compositor answers with a protocol error that ends the
    // connection. A borderless fixed-size toplevel with its owner as parent is the
    // nearest sound thing: the desktop floats it, though not where the platform asked.
    flags |= SDL_WINDOW_BORDERLESS | SDL_WINDOW_SKIP_TASKBAR;
  } else if (asked.popup) {
    // X11 makes this override-redirect: unmanaged, unframed, placed where asked.
    flags |= SDL_WINDOW_POPUP_MENU | SDL_WINDOW_BORDERLESS | SDL_WINDOW_SKIP_TASKBAR;
  } else if (asked.resizable && !asked.dialog) {
    flags |= SDL_WINDOW_RESIZABLE;
  }
  if (asked.dialog) flags |= SDL_WINDOW_SKIP_TASKBAR;
  int x = asked.x == kHostDefaultPosition ? int(SDL_WINDOWPOS_UNDEFINED) : asked.x;
  int y = asked.y == kHostDefaultPosition ? int(SDL_WINDOWPOS_UNDEFINED) : asked.y;
  SDL_Window* window =
      SDL_CreateWindow(asked.title.c_str(), x, y, asked.width, asked.height, flags);
  if (window == nullptr) return 0;
  HostWindow id = SDL_GetWindowID(window);
  if (XConnection_ < 0) XConnection_ = X11ConnectionOf(window);
  // The same class on every window, so the desktop groups them under the program's
  // entry; the instance is the program's file name (KLOP_WM_NAME for the game itself),
  // as ICCCM asks and as the X11 host does.
  const char* instance = program_invocation_short_name;
  if (instance == nullptr || instance[0] == '\0') instance = KLOP_WM_NAME;
  SetWindowClass(window, instance, KLOP_WM_CLASS);
  TSdlWindow& w = Windows_[id];
  w.Window = window;
  w.Width = asked.width;
  w.Height = asked.height;
  if (asked.dialog || asked.popup) w.Owner = asked.owner;
  w.FocusablePopup = asked.popup && OnWayland_;
  if (asked.dialog && !asked.popup) {
    if (TSdlWindow* owner = Find(asked.owner)) SDL_SetWindowModalFor(window, owner->Window);
    MarkWindowAsDialog(window);
  } else if (asked.popup) {
    // Transient for its owner, so that a compositor knows whose menu it is.
    if (TSdlWindow* owner = Find(asked.owner)) SDL_SetWindowModalFor(window, owner->Window);
  }
  return id;
}

void TSdlHost::DestroyWindow(HostWindow window) {
  auto it = Windows_.find(window);
  if (it == Windows_.end()) return;
  SDL_DestroyWindow(it->second.Window);
  Windows_.erase(it);
  Pending_.Forget(window);
}

void TSdlHost::SetTitle(HostWindow window, const std::string& title) {
  if (TSdlWindow* w = Find(window)) SDL_SetWindowTitle(w->Window, title.c_str());
}

void TSdlHost::SetIcon(HostWindow window, const CursorShape& icon) {
  TSdlWindow* w = Find(window);
  if (w == nullptr || !ShapeIsSound(icon)) return;
  if (SetWindowIcons(w->Window, icon.pixels.data(), icon.width, icon.height)) return;
  // SDL copies the pixels before this returns, so the surface may borrow them.
  SDL_Surface* surface =
      SDL_CreateRGBSurfaceWithFormatFrom(const_cast<std::uint32_t*>(icon.pixels.data()), icon.width,
                                         icon.height, 32, icon.width * 4, SDL_PIXELFORMAT_ARGB8888);
  if (surface == nullptr) return;
  SDL_SetWindowIcon(w->Window, surface);
  SDL_FreeSurface(surface);
}

void TSdlHost::SetBounds(HostWindow window, const HostRect& bounds) {
  TSdlWindow* w = Find(window);
  if (w == nullptr) return;
  int x = 0;
  int y = 0;
  SDL_GetWindowPosition(w->Window, &x, &y);
  // Unchanged positions are not asked for again: the desktop may answer each
  // request with a move of its own.
  if (x != bounds.x || y != bounds.y) SDL_SetWindowPosition(w->Window, bounds.x, bounds.y);
  if (bounds.width > 0 && bounds.height > 0 &&
      (bounds.width != w->Width || bounds.height != w->Height)) {
    SDL_SetWindowSize(w->Window, bounds.width, bounds.height);
    w->Width = bounds.width;
    w->Height = bounds.height;
    w->SurfaceStale = true;
  }
}

HostRect TSdlHost::Bounds(HostWindow window) const {
  HostRect r;
  if (const TSdlWindow* w = Find(window)) {
    SDL_GetWindowPosition(w->Window, &r.x, &r.y);
    SDL_GetWindowSize(w->Window, &r.width, &r.height);
  }
  return r;
}

HostInsets TSdlHost::Decorations(HostWindow window) const {
  HostInsets in;
  if (const TSdlWindow* w = Find(window)) {
    if (SDL_GetWindowBordersSize(w->Window, &in.top, &in.left, &in.bottom, &in.right) != 0) {
      in = HostInsets{};
    }
  }
  return in;
}

HostRect TSdlHost::WorkAreaAt(int x, int y) const {
#if SDL_VERSION_ATLEAST(2, 24, 0)
  const SDL_Point p{x, y};
  const int display = SDL_GetPointDisplayIndex(&p);
  return DisplayArea(display >= 0 ? display : 0);
#else
  (void)x, (void)y;
  return DisplayArea(0);
#endif
}

HostRect TSdlHost::DisplayArea(int display) {
  SDL_Rect r{};
  if (SDL_GetDisplayUsableBounds(display, &r) != 0 && SDL_GetDisplayBounds(display, &r) != 0) {
    return HostRect{0, 0, 1024, 768};
  }
  return HostRect{r.x, r.y, r.w, r.h};
}

void TSdlHost::Show(HostWindow window, HostShow how) {
  TSdlWindow* w = Find(window);
  if (w == nullptr) return;
  if (how == HostShow::Hidden) {
    SDL_HideWindow(w->Window);
    return;
  }
  SDL_ShowWindow(w->Window);
  // SDL's Wayland driver makes the toplevel only when the window shows, and drops a
  // parent given before: given again, the desktop floats the window over its owner.
  if (OnWayland_ && w->Owner != 0) {
    if (TSdlWindow* owner = Find(w->Owner)) SDL_SetWindowModalFor(w->Window, owner->Window);
  }
  Uint32 flags = SDL_GetWindowFlags(w->Window);
  switch (how) {
    case HostShow::Normal:
      if ((flags & (SDL_WINDOW_MINIMIZED | SDL_WINDOW_MAXIMIZED)) != 0) {
        SDL_RestoreWindow(w->Window);
      }
      break;
    case HostShow::Minimized:
      SDL_MinimizeWindow(w->Window);
      break;
    case HostShow::Maximized:
      SDL_MaximizeWindow(w->Window);
      break;
    case HostShow::Hidden:
      break;
  }
}

void TSdlHost::Raise(HostWindow window) {
  if (TSdlWindow* w = Find(window)) SDL_RaiseWindow(w->Window);
}

bool TSdlHost::ShowsPopup(HostWindow owner) const {
  for (const auto& [id, w] : Windows_) {
    if (w.FocusablePopup && w.Owner == owner &&
        (SDL_GetWindowFlags(w.Window) & SDL_WINDOW_SHOWN) != 0) {
      return true;
    }
  }
  return false;
}

}  // namespace platform::sdl
