// Desktop hints that SDL has no call for, set through its X11 window. Kept apart
// because Xlib's macros (CursorShape, None, Bool...) clash with our own names.
#pragma once

struct SDL_Window;

namespace platform {

// Types `window` as a dialog for the window manager (it decorates and places it so).
// Does nothing when the window is not on X11. Call before the window is first shown.
void MarkWindowAsDialog(SDL_Window* window);

}  // namespace platform
