// What the platform's keys are on X: virtual-key codes from keysyms.
#pragma once

#include <cstdint>

namespace platform::x11 {

// The VK_ code of a key, given the keysym on its first level in the current layout
// (so letters, digits and punctuation follow the layout, and the keypad answers the
// same with Num Lock on or off); 0 for keys the platform has no code for.
unsigned VirtualKeyOfKeysym(std::uint32_t keysym);

}  // namespace platform::x11
