#include "platform/host/sdl/sdl_module.h"

#include <cstring>
#include <memory>

#include "klop_config.h"
#include "platform/host/sdl/sdl_host.h"

extern "C" __attribute__((visibility("default"))) platform::Host* KlopOpenSdlHost(
    const char* version, std::string* error) {
  if (std::strcmp(version, KLOP_VERSION) != 0) {
    *error = KLOP_SDL_MODULE_FILE " is from Klop! " KLOP_VERSION ", the program is " +
             std::string(version);
    return nullptr;
  }
  return platform::MakeSdlHost(*error).release();
}
