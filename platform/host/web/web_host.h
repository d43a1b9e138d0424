// The browser's host: the platform's windows as elements of one page, built to
// WebAssembly. Only the browser's program (program/web_main.cpp) makes it.
#pragma once

#include <memory>

#include "platform/host/host.h"

namespace platform {

// The page's host; its DesktopScale is the page's device pixel ratio as a whole number.
std::unique_ptr<Host> MakeWebHost();

}  // namespace platform
