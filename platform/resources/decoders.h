// Decoders of the resource image formats described in resource_table.h. Each refuses
// (answers false) whatever is malformed, never reading outside [data, data + size).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/host/host.h"

namespace platform {

struct DecodedBitmap {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, rows top to bottom
};

constexpr int kMaxResourceImageSide = 4096;

bool DecodeBitmap(const std::uint8_t* data, std::size_t size, DecodedBitmap& out);
// Both give 0xAARRGGBB images, alpha 0 where transparent; a cursor keeps its hot spot.
bool DecodeCursor(const std::uint8_t* data, std::size_t size, CursorShape& out);
bool DecodeIcon(const std::uint8_t* data, std::size_t size, CursorShape& out);

}  // namespace platform
