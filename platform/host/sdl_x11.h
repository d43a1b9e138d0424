// What the host needs from SDL's X11 side that SDL has no call for. Kept apart
// because Xlib's macros (CursorShape, None, Bool...) clash with our own names.
#pragma once

struct SDL_Window;

namespace platform {

// Types `window` as a dialog for the window manager (it decorates and places it so).
// Does nothing when the window is not on X11. Call before the window is first shown.
void MarkWindowAsDialog(SDL_Window* window);

// The file descriptor of the X connection behind `window`, or -1 when it is not on X11.
int X11ConnectionOf(SDL_Window* window);

}  // namespace platform
