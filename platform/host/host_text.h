// UTF-8 as the hosts meet it: typed text cut into characters, and titles for what
// knows only Latin-1 (X11's WM_NAME, the bitmap font of the Wayland host's caption).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// Length of the UTF-8 character at `text` (at most `available` bytes, at least 1), so
// that text can be cut into characters. A malformed sequence counts byte by byte.
std::size_t Utf8SequenceLength(const char* text, std::size_t available);

// UTF-8 to Latin-1: one '?' for each character beyond Latin-1 and for each malformed
// part (an overlong form, a surrogate, a stray or missing continuation byte), so that
// nothing malformed decodes to a character (no NUL from C0 80, no 'A' from C1 81).
std::string Latin1Of(std::string_view utf8);

}  // namespace platform
