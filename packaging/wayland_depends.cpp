// Never run: linked against the client library the Wayland host opens at run time,
// with every function it resolves, so that dpkg-shlibdeps reads from it what the
// package depends on (the program itself names none of them).
#include <wayland-client-core.h>

#include "platform/host/wayland/wl_library_functions.h"

int main() {
#define KLOP_ADDRESS(name) reinterpret_cast<void (*)()>(&name),
  // Volatile, so that no reference is folded away (and the libraries with it).
  static void (*const volatile used[])() = {KLOP_WL_CLIENT_FUNCTIONS(KLOP_ADDRESS)};
#undef KLOP_ADDRESS
  int missing = 0;
  for (const auto& f : used) missing += f == nullptr ? 1 : 0;
  return missing;
}
