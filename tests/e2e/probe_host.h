// The host a probe runs on: SDL, or the X11 host when KLOP_HOST=x11.
#pragma once

#include <cstdlib>
#include <memory>
#include <string>

#include "platform/host/sdl_host.h"
#include "platform/host/x11/x11_host.h"

inline std::unique_ptr<platform::Host> MakeProbeHost(std::string& error) {
  const char* asked = std::getenv("KLOP_HOST");
  if (asked != nullptr && std::string(asked) == "x11") return platform::MakeX11Host(error);
  return platform::MakeSdlHost(error);
}
