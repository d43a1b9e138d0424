// Keys in the browser: KeyboardEvent.code (the key's place) and .key (what the layout
// gives there) to the platform's virtual keys by the xkb hosts' rules, and the text a
// press types. Pure functions, so the rules are tested without a browser.
#pragma once

#include <string>
#include <string_view>

namespace platform::web {

// The virtual key of the key at `code` that gives `key` in the active layout: the key's
// own character when it names one (letters and digits follow the layout), else the
// character the key has on the US layout (a Cyrillic letter key gives its Latin
// letter); the keypad and the keys that type nothing by their place alone. 0: none.
unsigned VirtualKeyOf(std::string_view code, std::string_view key);

// What a press types: `key` when it is one printable character and Ctrl and Alt are
// both up or both down (AltGr); else nothing (Alt+letter is a mnemonic, not text).
std::string TextOf(std::string_view key, unsigned modifiers);

}  // namespace platform::web
