// A host that shows the platform's pixels N x N on another host, for high-density
// screens. The platform keeps working in its own pixels; this wrapper multiplies what
// goes out (window geometry, dirty rectangles, cursors) and divides what comes back
// (input, positions, sizes, decorations, the work area, exposes), so no host carries
// scaling code of its own and nothing above platform/host/ knows N.
#pragma once

#include <memory>

#include "platform/host/host.h"

namespace platform {

// Wraps `inner` so that each platform pixel shows as an n x n block (nearest neighbour).
// Window icons pass through unscaled: each real host offers larger sizes itself.
// n outside kMinScale..kMaxScale (scale.h) is kept in range; n == 1 answers `inner`.
std::unique_ptr<Host> MakeScaledHost(std::unique_ptr<Host> inner, int n);

}  // namespace platform
