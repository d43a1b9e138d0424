// The host of the desktop the program runs on, chosen in one place: the X11 host on an
// X11 display (the SDL host, with a note on stderr, when its screen has no TrueColor
// visual), the SDL host (a module loaded only then) on a Wayland display alone, or
// whichever KLOP_HOST names.
#pragma once

#include <memory>
#include <string>

#include "platform/host/host.h"

namespace platform {

enum class THostKind { None, X11, Sdl };

// The host for these environment values (null when unset): KLOP_HOST ("x11" or "sdl")
// wins; else DISPLAY gets X11 and WAYLAND_DISPLAY alone gets SDL. Answers None, with
// the reason in `error`, for a KLOP_HOST of another value or no display at all.
THostKind ChooseHost(const char* klopHost, const char* display, const char* waylandDisplay,
                     std::string& error);

// Opens the chosen host from the process's environment. Answers nullptr with a
// sentence in `error` when no host is chosen, the SDL module cannot be loaded, or the
// host cannot open its display.
std::unique_ptr<Host> MakeDesktopHost(std::string& error);

}  // namespace platform
