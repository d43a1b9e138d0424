// What the host needs from SDL's X11 side that SDL has no call for. Kept apart
// because Xlib's macros (CursorShape, None, Bool...) clash with our own names.
// Every function does nothing (or answers nothing) when the window is not on X11.
#pragma once

#include <cstdint>
#include <string>

struct SDL_Window;

namespace platform {

// Types `window` as a dialog for the window manager, with a title bar and a close box
// only: it can be moved and closed, not minimised, maximised or resized. Call before
// the window is first shown.
void MarkWindowAsDialog(SDL_Window* window);

// Sets WM_CLASS (instance name, class name), by which a desktop matches a running
// window to its desktop entry. Call before the window is first shown.
void SetWindowClass(SDL_Window* window, const char* name, const char* className);

// Offers the ARGB icon as _NET_WM_ICON at its own size and at whole multiples of it
// (nearest neighbour) up to 128 pixels, for title bars, task bars and switchers of
// any density. False when the window is not on X11.
bool SetWindowIcons(SDL_Window* window, const std::uint32_t* argb, int width, int height);

// The file descriptor of the X connection behind `window`, or -1 when it is not on X11.
int X11ConnectionOf(SDL_Window* window);

// The X server's resource database string (the root window's RESOURCE_MANAGER) on the
// display SDL uses, or nothing when SDL is not on X11 or the server has none.
std::string X11Resources();

}  // namespace platform
