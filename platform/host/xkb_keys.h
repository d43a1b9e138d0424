// What the platform's keys are under xkbcommon, for the X11 and Wayland hosts alike:
// virtual-key codes from keysyms, and the text a press types through dead keys and the
// compose key.
#pragma once

#include <cstdint>
#include <string>

struct xkb_context;
struct xkb_compose_table;
struct xkb_compose_state;

namespace platform {

// The VK_ code of a key, given the keysym on its first level in the current layout
// (so letters, digits and punctuation follow the layout, and the keypad answers the
// same with Num Lock on or off); 0 for keys the platform has no code for.
unsigned VirtualKeyOfKeysym(std::uint32_t keysym);

// Dead keys and the compose key. The compose table (the costliest part of the keyboard)
// is loaded only when the first dead key or compose key is pressed.
class TComposer {
 public:
  TComposer() = default;
  TComposer(const TComposer&) = delete;
  TComposer& operator=(const TComposer&) = delete;
  ~TComposer();

  // The text a press of `keysym` types, given what the key alone would type: empty
  // while composing, the composed character when done, and never a control character.
  std::string Feed(xkb_context* context, std::uint32_t keysym, std::string typed);

 private:
  std::string Compose(xkb_context* context, std::uint32_t keysym, std::string typed);

  xkb_compose_table* Table_ = nullptr;
  xkb_compose_state* State_ = nullptr;
};

}  // namespace platform
