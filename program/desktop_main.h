// The program's start on the desktop, shared by `klop` and the benchmarks' probe: reads
// the command line, opens the display, chooses the scale and runs the game.
#pragma once

#include <functional>
#include <memory>

#include "platform/host/host.h"

// Gives the host the game will run on a last wrapper of the caller's (the probe's
// reporting host); may be empty.
using THostWrapper =
    std::function<std::unique_ptr<platform::Host>(std::unique_ptr<platform::Host>)>;

// main's whole body. Exit statuses: 0 the game was closed; 1 no display, or the game
// found no timer left; 2 a bad command line; 255 the start failed with an error report.
int DesktopMain(int argc, char** argv, const THostWrapper& wrap = {});
