// Desktop hints that SDL has no call for, set through its X11 window. Kept apart
// because Xlib's macros (CursorShape, None, Bool...) clash with our own names.
#pragma once

struct SDL_Window;

namespace platform {

// Types `window` as a dialog for the window manager (it decorates and places it so).
// Does nothing when the window is not on X11. Call before the window is first shown.
void MarkWindowAsDialog(SDL_Window* window);

}  // namespace platform

namespace platform {

// SDL wakes its own blocking wait by sending a client message to one of our windows
// over a second X connection. When the program destroys that window right after the
// event that caused the wake-up, the server may see the destruction first and answer
// BadWindow, which Xlib's default handler turns into exit(1). This lets that one
// harmless error pass and hands every other error to the handler that was in place.
void TolerateLateWakeups();

}  // namespace platform
