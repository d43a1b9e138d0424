// The host of the desktop the program runs on, chosen in one place: the Wayland host on
// a Wayland display, the X11 host on an X11 display, or whichever KLOP_HOST names (the
// SDL host, a module loaded only then, is had only so).
#pragma once

#include <memory>
#include <string>

#include "platform/host/host.h"

namespace platform {

enum class THostKind { None, Wayland, X11, Sdl };

// The host for these environment values (null when unset): KLOP_HOST ("wayland", "x11"
// or "sdl") wins; else WAYLAND_DISPLAY gets Wayland (XWayland's DISPLAY beside it
// too), and DISPLAY alone gets X11.
// Answers None, with the reason in `error`, for a KLOP_HOST of another value or no
// display at all.
THostKind ChooseHost(const char* klopHost, const char* display, const char* waylandDisplay,
                     std::string& error);

// Opens the chosen host from the process's environment. When the Wayland host was
// chosen by WAYLAND_DISPLAY and cannot connect, the X11 host is tried when DISPLAY is
// set, with a line on stderr. Answers nullptr with a sentence in `error` when no host
// is chosen, the SDL module cannot be loaded, or the host cannot open its display.
std::unique_ptr<Host> MakeDesktopHost(std::string& error);

}  // namespace platform
