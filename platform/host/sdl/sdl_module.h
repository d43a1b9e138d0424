// The one entry point of the SDL host's module (klop-sdl.so), which the program loads
// only when it runs on SDL, so that the X11 host's process never maps libSDL2.
#pragma once

#include <string>

#include "platform/host/host.h"

#define KLOP_SDL_MODULE_FILE "klop-sdl.so"
#define KLOP_SDL_MODULE_ENTRY "KlopOpenSdlHost"

// Opens the SDL host, or answers null with the reason in `error`. `version` is the
// program's KLOP_VERSION: a module from another build (whose Host may differ) refuses.
// The caller owns the host and deletes it; the module must stay loaded meanwhile.
extern "C" platform::Host* KlopOpenSdlHost(const char* version, std::string* error);
using TOpenSdlHost = platform::Host* (*)(const char* version, std::string* error);
