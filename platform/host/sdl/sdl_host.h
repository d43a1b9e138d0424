// The real desktop behind the platform: SDL2 windows, input and the pointer.
// Declared without SDL so that nothing above platform/host/ sees it.
#pragma once

#include <memory>
#include <string>

#include "platform/host/host.h"

namespace platform {

// Opens the desktop's display. Answers nullptr, with the reason in `error`, when
// there is no display to open (no X server, or SDL refuses to start).
std::unique_ptr<Host> MakeSdlHost(std::string& error);

// The video driver SDL `major.minor.patch` is held to where SDL_VIDEODRIVER is `asked`
// and the session's displays are as given: "" leaves SDL its choice; nullptr refuses.
// SDL 2 before 2.30.1 crashes on Wayland when a seat's modifiers come before its keymap
// (as once a virtual keyboard has typed), so there it takes X11 through XWayland.
const char* SdlVideoDriver(int major, int minor, int patch, const char* asked,
                           const char* waylandDisplay, const char* display);

}  // namespace platform
