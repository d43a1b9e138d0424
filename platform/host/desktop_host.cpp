#include "platform/host/desktop_host.h"

#include <dlfcn.h>
#include <errno.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "klop_config.h"
#include "platform/host/sdl/sdl_module.h"
#include "platform/host/wayland/wl_host.h"
#include "platform/host/x11/x11_host.h"

// Where the installed module lies, relative to the installed program's folder.
#ifndef KLOP_SDL_MODULE_RELDIR
#error "KLOP_SDL_MODULE_RELDIR must be defined by the build"
#endif

namespace platform {
namespace {

bool IsSet(const char* value) {
  return value != nullptr && *value != '\0';
}

// The folder of the running program, from /proc/self/exe (not argv[0], which may be
// a bare name found through PATH or a symbolic link elsewhere).
std::string ProgramFolder() {
  char path[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return {};
  const std::string_view whole(path, static_cast<std::size_t>(n));
  const std::size_t slash = whole.rfind('/');
  return slash == std::string_view::npos ? std::string() : std::string(whole.substr(0, slash));
}

// The module is looked for beside the program (the build tree), then where the
// package installs it. It stays loaded for the life of the process: the host's code
// lives in it.
std::unique_ptr<Host> OpenSdlModule(std::string& error) {
  const std::string folder = ProgramFolder();
  if (folder.empty()) {
    error = "cannot find the program's own folder to load " KLOP_SDL_MODULE_FILE;
    return nullptr;
  }
  const std::string candidates[] = {
      folder + "/" KLOP_SDL_MODULE_FILE,
      folder + "/" KLOP_SDL_MODULE_RELDIR "/" KLOP_SDL_MODULE_FILE,
  };
  std::string failures;
  void* module = nullptr;
  for (const std::string& path : candidates) {
    if (access(path.c_str(), F_OK) != 0) continue;
    module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module != nullptr) break;
    const char* why = dlerror();
    failures += failures.empty() ? "" : "; ";
    failures += why != nullptr ? why : path;
  }
  if (module == nullptr) {
    error = "cannot load the SDL host: " +
            (failures.empty() ? KLOP_SDL_MODULE_FILE " is neither in " + folder + " nor in " +
                                    folder + "/" KLOP_SDL_MODULE_RELDIR
                              : failures);
    return nullptr;
  }
  auto open = reinterpret_cast<TOpenSdlHost>(dlsym(module, KLOP_SDL_MODULE_ENTRY));
  if (open == nullptr) {
    error = "cannot load the SDL host: " KLOP_SDL_MODULE_FILE " has no " KLOP_SDL_MODULE_ENTRY;
    return nullptr;
  }
  std::string why;
  std::unique_ptr<Host> host(open(KLOP_VERSION, &why));
  if (host == nullptr) error = "cannot open the display (SDL): " + why;
  return host;
}

}  // namespace

THostChoice ChooseHost(const char* klopHost, const char* display, const char* waylandDisplay,
                       std::string& error) {
  if (IsSet(klopHost)) {
    const std::string_view asked(klopHost);
    if (asked == "wayland") return {THostKind::Wayland};
    if (asked == "x11") return {THostKind::X11};
    if (asked == "sdl") return {THostKind::Sdl};
    error = "KLOP_HOST is \"" + std::string(asked) + "\"; it takes wayland, x11 or sdl";
    return {};
  }
  if (IsSet(waylandDisplay)) {
    return {THostKind::Wayland, IsSet(display) ? THostKind::X11 : THostKind::None};
  }
  if (IsSet(display)) return {THostKind::X11, THostKind::Sdl};
  error = "no display to open: neither DISPLAY nor WAYLAND_DISPLAY is set";
  return {};
}

std::unique_ptr<Host> MakeDesktopHost(std::string& error) {
  error.clear();
  const char* display = std::getenv("DISPLAY");
  const THostChoice choice =
      ChooseHost(std::getenv("KLOP_HOST"), display, std::getenv("WAYLAND_DISPLAY"), error);
  switch (choice.Host) {
    case THostKind::Wayland: {
      std::string why;
      std::unique_ptr<Host> host = MakeWaylandHost(why);
      if (host != nullptr) return host;
      error = "cannot open the display (Wayland): " + why;
      if (choice.Fallback != THostKind::X11) return nullptr;
      std::fprintf(stderr, "%s: %s; using X11 on DISPLAY %s\n", program_invocation_short_name,
                   error.c_str(), display);
      error.clear();
      host = MakeX11Host(why);
      if (host == nullptr) error = "cannot open the display (X11): " + why;
      return host;
    }
    case THostKind::X11: {
      std::string why;
      bool screenUnfit = false;
      std::unique_ptr<Host> host = MakeX11Host(why, &screenUnfit);
      if (host != nullptr) return host;
      error = "cannot open the display (X11): " + why;
      if (!screenUnfit || choice.Fallback != THostKind::Sdl) return nullptr;
      std::string sdlError;
      host = OpenSdlModule(sdlError);
      if (host == nullptr) {
        error += "; " + sdlError;
      } else {
        std::fprintf(stderr, "%s: %s; drawing through SDL\n", program_invocation_short_name,
                     why.c_str());
      }
      return host;
    }
    case THostKind::Sdl:
      return OpenSdlModule(error);
    case THostKind::None:
      break;
  }
  return nullptr;
}

}  // namespace platform
