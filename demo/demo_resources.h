// The demo's own module: two cursors and an icon, drawn in code and stored in the
// platform's resource formats, so that the demo loads them as a program loads its own.
#pragma once

#include "platform/types.h"

namespace demo {

constexpr const char* kCrossCursor = "DEMOCROSS";  // 32x32, hot spot (15, 15)
constexpr const char* kBoxCursor = "DEMOBOX";      // 32x32, hot spot (2, 3)
constexpr const char* kIcon = "DEMOICON";          // 32x32, 16 colours

// Registers the module once and answers its instance.
HINSTANCE DemoModule();

}  // namespace demo
