#include "platform/host/sdl/sdl_keys.h"

#include <SDL_keycode.h>

namespace platform {

namespace {

struct TKeyPair {
  SDL_Keycode Sdl;
  unsigned Vk;
};

constexpr TKeyPair kKeys[] = {
    {SDLK_BACKSPACE, 0x08},    {SDLK_TAB, 0x09},          {SDLK_RETURN, 0x0D},
    {SDLK_KP_ENTER, 0x0D},     {SDLK_LSHIFT, 0x10},       {SDLK_RSHIFT, 0x10},
    {SDLK_LCTRL, 0x11},        {SDLK_RCTRL, 0x11},        {SDLK_LALT, 0x12},
    {SDLK_RALT, 0x12},         {SDLK_PAUSE, 0x13},        {SDLK_CAPSLOCK, 0x14},
    {SDLK_ESCAPE, 0x1B},       {SDLK_SPACE, 0x20},        {SDLK_PAGEUP, 0x21},
    {SDLK_PAGEDOWN, 0x22},     {SDLK_END, 0x23},          {SDLK_HOME, 0x24},
    {SDLK_LEFT, 0x25},         {SDLK_UP, 0x26},           {SDLK_RIGHT, 0x27},
    {SDLK_DOWN, 0x28},         {SDLK_PRINTSCREEN, 0x2C},  {SDLK_INSERT, 0x2D},
    {SDLK_DELETE, 0x2E},       {SDLK_LGUI, 0x5B},         {SDLK_RGUI, 0x5C},
    {SDLK_APPLICATION, 0x5D},  {SDLK_KP_0, 0x60},         {SDLK_KP_MULTIPLY, 0x6A},
    {SDLK_KP_PLUS, 0x6B},      {SDLK_KP_MINUS, 0x6D},     {SDLK_KP_PERIOD, 0x6E},
    {SDLK_KP_DIVIDE, 0x6F},    {SDLK_NUMLOCKCLEAR, 0x90}, {SDLK_SCROLLLOCK, 0x91},
    {SDLK_SEMICOLON, 0xBA},    {SDLK_EQUALS, 0xBB},       {SDLK_COMMA, 0xBC},
    {SDLK_MINUS, 0xBD},        {SDLK_PERIOD, 0xBE},       {SDLK_SLASH, 0xBF},
    {SDLK_BACKQUOTE, 0xC0},    {SDLK_LEFTBRACKET, 0xDB},  {SDLK_BACKSLASH, 0xDC},
    {SDLK_RIGHTBRACKET, 0xDD}, {SDLK_QUOTE, 0xDE},
};

}  // namespace

unsigned VirtualKeyOf(std::int32_t sdlKey) {
  // Letters and digits follow the layout, as the platform's virtual keys do.
  if (sdlKey >= SDLK_a && sdlKey <= SDLK_z) return unsigned('A' + (sdlKey - SDLK_a));
  if (sdlKey >= SDLK_0 && sdlKey <= SDLK_9) return unsigned('0' + (sdlKey - SDLK_0));
  if (sdlKey >= SDLK_F1 && sdlKey <= SDLK_F12) return 0x70u + unsigned(sdlKey - SDLK_F1);
  if (sdlKey >= SDLK_KP_1 && sdlKey <= SDLK_KP_9) return 0x61u + unsigned(sdlKey - SDLK_KP_1);
  for (const TKeyPair& k : kKeys) {
    if (k.Sdl == sdlKey) return k.Vk;
  }
  return 0;
}

unsigned VirtualKeyOf(std::int32_t sdlKey, std::int32_t scancode) {
  if (const unsigned vk = VirtualKeyOf(sdlKey); vk != 0) return vk;
  if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z) {
    return unsigned('A' + (scancode - SDL_SCANCODE_A));
  }
  return 0;
}

}  // namespace platform
