// What a host's helpers for tests may ask about the platform's windows. A window handle
// belongs to the window layer above the hosts, which installs these answers when it
// makes its first window; until then every question answers false.
#pragma once

#include <cstdint>

#include "platform/host/host.h"
#include "platform/types.h"

namespace platform {

struct TWindowSeam {
  // The host window showing `hwnd` (or its top-level window), and where its client point
  // `client` lies on that window's surface.
  bool (*hostPointOf)(HWND hwnd, POINT client, HostWindow& host, POINT& surfacePoint);
  // The drawn surface pixel (0x00RRGGBB) at client point `client` of `hwnd`; false
  // outside the surface.
  bool (*surfacePixel)(HWND hwnd, POINT client, std::uint32_t& pixel);
  // Client point `point` of `hwnd` in screen coordinates.
  bool (*clientToScreen)(HWND hwnd, POINT& point);
  // The size of the client area of `hwnd`.
  bool (*clientSize)(HWND hwnd, int& width, int& height);
};

void InstallWindowSeam(const TWindowSeam* seam);
const TWindowSeam* WindowSeam();  // nullptr until installed

}  // namespace platform
