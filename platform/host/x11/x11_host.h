// The X11 host: XCB windows, input and the pointer, with neither SDL nor Xlib.
// Declared without XCB so that nothing above platform/host/ sees it.
#pragma once

#include <memory>
#include <string>

#include "platform/host/host.h"

namespace platform {

// Connects to the X server named by DISPLAY. Answers nullptr, with the reason in
// `error`, when there is none to connect to or its screen has no TrueColor visual (then
// `screenUnfit`, when given, is set). A connection lost later ends the process with a
// message and status 1.
std::unique_ptr<Host> MakeX11Host(std::string& error, bool* screenUnfit = nullptr);

}  // namespace platform
