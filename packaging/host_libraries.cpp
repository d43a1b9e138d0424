// Never run: linked against the client libraries the Wayland and X11 hosts open at run
// time, with everything they resolve, so that dpkg-shlibdeps reads from it what the
// package depends on (the program itself names none of them).
#include <wayland-client-core.h>
#include <xcb/randr.h>
#include <xcb/render.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>
#include <xcb/xcbext.h>
// xcb/xkb.h names a field `explicit`, a C++ keyword.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit
#include <xkbcommon/xkbcommon-x11.h>

#include <cstdint>

#include "platform/host/wayland/wl_library_functions.h"
#include "platform/host/x11/x11_library_functions.h"

int main() {
  // As numbers, functions and the extensions' ids alike; volatile, so that no reference
  // is folded away (and the libraries with it).
#define KLOP_ADDRESS(name) reinterpret_cast<std::uintptr_t>(&name),
  static const volatile std::uintptr_t used[] = {
      KLOP_WL_CLIENT_FUNCTIONS(KLOP_ADDRESS) KLOP_X11_FUNCTIONS(KLOP_ADDRESS)};
#undef KLOP_ADDRESS
  int missing = 0;
  for (const auto& a : used) missing += a == 0 ? 1 : 0;
  return missing;
}
