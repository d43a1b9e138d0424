// The Wayland host: the platform's windows as xdg_shell surfaces on the compositor
// named by WAYLAND_DISPLAY, through libwayland-client alone.
#pragma once

#include <memory>
#include <string>

#include "platform/host/host.h"

namespace platform {

// Connects to the compositor; nullptr with the reason in `error` when it cannot.
std::unique_ptr<Host> MakeWaylandHost(std::string& error);

}  // namespace platform
