#include "platform/host/host_text.h"

namespace platform {

std::size_t Utf8SequenceLength(const char* text, std::size_t available) {
  if (available == 0) return 1;
  auto lead = static_cast<unsigned char>(text[0]);
  std::size_t want = lead < 0x80           ? 1
                     : (lead >> 5) == 0x6  ? 2
                     : (lead >> 4) == 0xE  ? 3
                     : (lead >> 3) == 0x1E ? 4
                                           : 1;
  if (want > available) return 1;
  for (std::size_t i = 1; i < want; ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) return 1;
  }
  return want;
}

std::string Latin1Of(std::string_view utf8) {
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(utf8[i]); };
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const unsigned lead = byte(i++);
    if (lead < 0x80) {
      out += char(lead);
      continue;
    }
    // The well-formed sequences as Unicode defines them: the lead says how many
    // continuation bytes follow and the range of the first (which rules out overlong
    // forms, surrogates and what lies beyond U+10FFFF).
    std::size_t more = 0;
    unsigned low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
      more = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      more = 2;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      more = 3;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    }
    unsigned code = lead & (0x7Fu >> (more + 1));
    std::size_t taken = 0;
    for (; taken < more && i < utf8.size(); ++taken, ++i) {
      const unsigned c = byte(i);
      if (c < low || c > high) break;
      low = 0x80, high = 0xBF;
      code = (code << 6) | (c & 0x3F);
    }
    // A malformed part (its lead and the continuation bytes that fit) is one '?'.
    const bool whole = more > 0 && taken == more;
    out += whole && code <= 0xFF ? char(code) : '?';
  }
  return out;
}

}  // namespace platform
