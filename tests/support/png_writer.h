// A small PNG writer for tests that save what they render: 8-bit RGB, no filtering,
// the image data in uncompressed (stored) deflate blocks, so it needs no library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace klop::test {

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size);
std::uint32_t Adler32(const std::uint8_t* data, std::size_t size);

// `pixels` are 0x00RRGGBB, rows top to bottom, `width` per row; the high byte is ignored.
// Answers the whole file; an empty vector when the size is not positive or the pixel
// count does not match.
std::vector<std::uint8_t> EncodePng(int width, int height,
                                    const std::vector<std::uint32_t>& pixels);

// Writes EncodePng's bytes to `path`; false when encoding or writing fails.
bool WritePng(const std::string& path, int width, int height,
              const std::vector<std::uint32_t>& pixels);

}  // namespace klop::test
