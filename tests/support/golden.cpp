#include "tests/support/golden.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include "tools/png/png_writer.h"

#ifndef KLOP_GOLDEN_DIR
#error "KLOP_GOLDEN_DIR must name the folder of the golden PNGs"
#endif

namespace klop::test {

using png::Adler32;
using png::Crc32;
using png::WritePng;

namespace {

std::uint32_t Be32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         p[3];
}

// The zlib stream's stored blocks, which is all that EncodePng writes.
bool Inflate(const std::vector<std::uint8_t>& z, std::vector<std::uint8_t>& raw,
             std::string& error) {
  if (z.size() < 6 || (z[0] & 0x0F) != 8) {
    error = "not a deflate stream";
    return false;
  }
  std::size_t pos = 2;
  for (;;) {
    if (pos + 5 > z.size()) {
      error = "deflate stream cut short";
      return false;
    }
    const std::uint8_t header = z[pos];
    if ((header & 0x06) != 0) {
      error = "compressed deflate blocks: regenerate the golden with KLOP_UPDATE_GOLDEN=1";
      return false;
    }
    const unsigned len = z[pos + 1] | (z[pos + 2] << 8);
    const unsigned nlen = z[pos + 3] | (z[pos + 4] << 8);
    if ((len ^ 0xFFFF) != nlen || pos + 5 + len > z.size()) {
      error = "damaged stored block";
      return false;
    }
    raw.insert(raw.end(), z.begin() + static_cast<std::ptrdiff_t>(pos + 5),
               z.begin() + static_cast<std::ptrdiff_t>(pos + 5 + len));
    pos += 5 + len;
    if (header & 1) break;
  }
  if (pos + 4 > z.size() || Be32(z.data() + pos) != Adler32(raw.data(), raw.size())) {
    error = "checksum of the image data does not match";
    return false;
  }
  return true;
}

std::string Hex(std::uint32_t p) {
  std::ostringstream s;
  s << "0x" << std::hex << p;
  return s.str();
}

}  // namespace

bool ReadPng(const std::string& path, int& width, int& height, std::vector<std::uint32_t>& pixels,
             std::string& error) {
  std::ifstream f(path, std::ios::binary);
  if (!f) {
    error = "cannot open " + path;
    return false;
  }
  const std::vector<std::uint8_t> b((std::istreambuf_iterator<char>(f)),
                                    std::istreambuf_iterator<char>());
  static const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (b.size() < 8 || !std::equal(kSignature, kSignature + 8, b.begin())) {
    error = path + " is not a PNG";
    return false;
  }
  std::vector<std::uint8_t> z;
  bool header = false;
  for (std::size_t pos = 8; pos + 12 <= b.size();) {
    const std::uint32_t len = Be32(b.data() + pos);
    if (len > b.size() - pos - 12) {
      error = path + ": chunk runs past the end";
      return false;
    }
    const std::string type(b.begin() + static_cast<std::ptrdiff_t>(pos + 4),
                           b.begin() + static_cast<std::ptrdiff_t>(pos + 8));
    const std::uint8_t* data = b.data() + pos + 8;
    if (Be32(data + len) != Crc32(b.data() + pos + 4, len + 4)) {
      error = path + ": damaged " + type + " chunk";
      return false;
    }
    if (type == "IHDR") {
      if (len != 13 || data[8] != 8 || data[9] != 2 || data[12] != 0) {
        error = path + ": only 8-bit RGB, not interlaced, is read";
        return false;
      }
      width = static_cast<int>(Be32(data));
      height = static_cast<int>(Be32(data + 4));
      header = width > 0 && height > 0 && width <= 8192 && height <= 8192;
    } else if (type == "IDAT") {
      z.insert(z.end(), data, data + len);
    } else if (type == "IEND") {
      break;
    }
    pos += 12 + len;
  }
  if (!header) {
    error = path + ": no usable image header";
    return false;
  }
  std::vector<std::uint8_t> raw;
  if (!Inflate(z, raw, error)) {
    error = path + ": " + error;
    return false;
  }
  const std::size_t row = 1 + 3 * static_cast<std::size_t>(width);
  if (raw.size() != row * static_cast<std::size_t>(height)) {
    error = path + ": image data of the wrong size";
    return false;
  }
  pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* r = raw.data() + static_cast<std::size_t>(y) * row;
    if (r[0] != 0) {
      error = path + ": filtered rows are not read";
      return false;
    }
    for (int x = 0; x < width; ++x) {
      const std::uint8_t* p = r + 1 + 3 * x;
      pixels[static_cast<std::size_t>(y) * width + x] =
          (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
    }
  }
  return true;
}

void ExpectGolden(const std::string& name, int width, int height,
                  const std::vector<std::uint32_t>& pixels) {
  const std::string path = std::string(KLOP_GOLDEN_DIR) + "/" + name + ".png";
  const char* update = std::getenv("KLOP_UPDATE_GOLDEN");
  if (update != nullptr && std::string(update) == "1") {
    ASSERT_TRUE(WritePng(path, width, height, pixels)) << "cannot write " << path;
    ADD_FAILURE() << "wrote " << path << ": look at it, then run the tests without "
                  << "KLOP_UPDATE_GOLDEN";
    return;
  }
  int w = 0;
  int h = 0;
  std::vector<std::uint32_t> expected;
  std::string error;
  if (!ReadPng(path, w, h, expected, error)) {
    ADD_FAILURE() << "golden " << name << ": " << error
                  << " (make it with KLOP_UPDATE_GOLDEN=1, then look at it)";
    return;
  }
  const std::string actual = name + ".actual.png";
  if (w != width || h != height) {
    WritePng(actual, width, height, pixels);
    ADD_FAILURE() << "golden " << name << " is " << w << "x" << h << ", the rendering " << width
                  << "x" << height << "; saved as " << actual;
    return;
  }
  std::size_t differing = 0;
  std::ostringstream first;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * width + x;
      if ((pixels[i] & 0xFFFFFF) == expected[i]) continue;
      if (differing < 5) {
        first << " (" << x << "," << y << ") " << Hex(pixels[i] & 0xFFFFFF) << " not "
              << Hex(expected[i]) << ";";
      }
      ++differing;
    }
  }
  if (differing != 0) {
    WritePng(actual, width, height, pixels);
    ADD_FAILURE() << "golden " << name << ": " << differing << " pixels differ:" << first.str()
                  << " saved as " << actual;
  }
}

std::uint32_t TPixels::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= Width || y >= Height) return 0xFF000000;
  const std::size_t i = static_cast<std::size_t>(y) * Width + x;
  return i < Pixels.size() ? Pixels[i] & 0xFFFFFF : 0xFF000000;
}

int TPixels::Count(int left, int top, int right, int bottom, std::uint32_t color) const {
  int n = 0;
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) n += At(x, y) == color ? 1 : 0;
  }
  return n;
}

}  // namespace klop::test
