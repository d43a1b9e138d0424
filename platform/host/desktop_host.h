// The host of the desktop the program runs on, chosen in one place: the Wayland host on
// a Wayland display, the X11 host on an X11 display (the SDL host, with a note on
// stderr, when its screen has no TrueColor visual), or whichever KLOP_HOST names (the
// SDL host, a module loaded only then, is otherwise had only so).
#pragma once

#include <memory>
#include <string>

#include "platform/host/host.h"

namespace platform {

enum class THostKind { None, Wayland, X11, Sdl };

struct THostChoice {
  THostKind Host = THostKind::None;
  // Tried, with a line on stderr, when the first cannot serve: X11 (XWayland, or an X
  // server beside the compositor) when the Wayland host cannot connect; SDL when the X
  // screen is one the X11 host cannot draw on. None when KLOP_HOST chose.
  THostKind Fallback = THostKind::None;
};

// The host for these environment values (null when unset): KLOP_HOST ("wayland", "x11"
// or "sdl") wins; else WAYLAND_DISPLAY gets Wayland (XWayland's DISPLAY beside it
// too), and DISPLAY alone gets X11.
// Answers None, with the reason in `error`, for a KLOP_HOST of another value or no
// display at all.
THostChoice ChooseHost(const char* klopHost, const char* display, const char* waylandDisplay,
                       std::string& error);

// Opens the chosen host, or its fallback, from the process's environment. Answers
// nullptr with a sentence in `error` when no host is chosen, the SDL module cannot be
// loaded, or the host cannot open its display.
std::unique_ptr<Host> MakeDesktopHost(std::string& error);

}  // namespace platform
