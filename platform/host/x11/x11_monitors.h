// The monitors of the X screen, from RandR's list of monitors, and the part of the work
// area that lies on one of them.
#pragma once

#include <xcb/xcb.h>

#include <vector>

#include "platform/host/host.h"

namespace platform::x11 {

// The screen's monitors (RandR 1.5); empty when the server cannot say.
std::vector<HostRect> Monitors(xcb_connection_t* c, xcb_window_t root);

// The part of `workArea` on the monitor that holds (x, y), or on the nearest one; that
// monitor whole where the work area does not cover it; `workArea` without monitors.
HostRect MonitorWorkArea(const std::vector<HostRect>& monitors, const HostRect& workArea, int x,
                         int y);

}  // namespace platform::x11
