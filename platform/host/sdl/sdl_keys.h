// Translation of SDL's key codes and text into what the platform delivers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// The VK_ code of an SDL key code (SDL_Keycode); 0 for keys the platform has no code for.
unsigned VirtualKeyOf(std::int32_t sdlKey);
// The same for a key SDL reports as `sdlKey` at `scancode` (SDL_Scancode): a letter key
// whose layout types no Latin letter there (a Cyrillic one) gives the letter of its
// position, so that mnemonics and shortcuts follow the Latin letters marked on the keys.
unsigned VirtualKeyOf(std::int32_t sdlKey, std::int32_t scancode);

}  // namespace platform
