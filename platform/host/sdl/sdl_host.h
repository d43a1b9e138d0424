// The real desktop behind the platform: SDL2 windows, input and the pointer.
// Declared without SDL so that nothing above platform/host/ sees it.
#pragma once

#include <memory>
#include <string>

#include "platform/host/host.h"

namespace platform {

// Opens the desktop's display. Answers nullptr, with the reason in `error`, when
// there is no display to open (no X server, or SDL refuses to start).
std::unique_ptr<Host> MakeSdlHost(std::string& error);

}  // namespace platform
