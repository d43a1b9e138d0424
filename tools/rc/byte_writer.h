// Little-endian byte building for the resource formats.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace klop::rc {

using TBytes = std::vector<std::uint8_t>;

inline void PutU16(TBytes& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v & 0xFF));
  out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

inline void PutU32(TBytes& out, std::uint32_t v) {
  PutU16(out, v & 0xFFFF);
  PutU16(out, v >> 16);
}

inline void AlignTo4(TBytes& out) {
  while (out.size() % 4 != 0) out.push_back(0);
}

}  // namespace klop::rc
