// A small PNG writer for the tests that save what they render and for the build's icon
// maker: 8-bit RGB or RGBA, needing no library. The image data go either unfiltered in
// uncompressed (stored) deflate blocks, which the tests' own reader reads, or packed
// as runs, which shrinks pixel art to a few percent.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace klop::png {

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size);
std::uint32_t Adler32(const std::uint8_t* data, std::size_t size);

enum class TPngColour { Rgb, Rgba };

// Runs: every scan line filtered by Up when it repeats the one above, else by Sub, so
// that repeated pixels become zeros, then coded by deflate's fixed codes with the runs
// of equal bytes as matches one byte back.
enum class TPngPacking { Stored, Runs };

// `pixels` are 0xAARRGGBB, rows top to bottom, `width` per row; Rgb ignores the alpha
// byte. Answers the whole file; an empty vector when the size is not positive or the
// pixel count does not match.
std::vector<std::uint8_t> EncodePng(int width, int height, const std::vector<std::uint32_t>& pixels,
                                    TPngColour colour = TPngColour::Rgb,
                                    TPngPacking packing = TPngPacking::Stored);

// Writes EncodePng's bytes to `path`; false when encoding or writing fails.
bool WritePng(const std::string& path, int width, int height,
              const std::vector<std::uint32_t>& pixels, TPngColour colour = TPngColour::Rgb,
              TPngPacking packing = TPngPacking::Stored);

}  // namespace klop::png
