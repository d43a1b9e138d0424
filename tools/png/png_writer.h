// A small PNG writer for the tests that save what they render and for the build's icon
// maker: 8-bit RGB or RGBA, no filtering, the image data in uncompressed (stored)
// deflate blocks, so it needs no library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace klop::png {

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size);
std::uint32_t Adler32(const std::uint8_t* data, std::size_t size);

enum class TPngColour { Rgb, Rgba };

// `pixels` are 0xAARRGGBB, rows top to bottom, `width` per row; Rgb ignores the alpha
// byte. Answers the whole file; an empty vector when the size is not positive or the
// pixel count does not match.
std::vector<std::uint8_t> EncodePng(int width, int height, const std::vector<std::uint32_t>& pixels,
                                    TPngColour colour = TPngColour::Rgb);

// Writes EncodePng's bytes to `path`; false when encoding or writing fails.
bool WritePng(const std::string& path, int width, int height,
              const std::vector<std::uint32_t>& pixels, TPngColour colour = TPngColour::Rgb);

}  // namespace klop::png
