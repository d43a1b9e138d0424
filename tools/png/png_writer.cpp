#include "tools/png/png_writer.h"

#include <algorithm>
#include <array>
#include <fstream>

namespace klop::png {

namespace {

const std::array<std::uint32_t, 256>& CrcTable() {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  return table;
}

void PutBe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v >> 24));
  out.push_back(static_cast<std::uint8_t>(v >> 16));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
  out.push_back(static_cast<std::uint8_t>(v));
}

void PutChunk(std::vector<std::uint8_t>& out, const char (&type)[5],
              const std::vector<std::uint8_t>& data) {
  PutBe32(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  PutBe32(out, Crc32(out.data() + start, out.size() - start));
}

// Deflate's bit order: values from their lowest bit, Huffman codes from their highest.
class TBitWriter {
 public:
  explicit TBitWriter(std::vector<std::uint8_t>& out) : Out(out) {}
  void Bits(std::uint32_t value, int count) {
    Acc |= value << Count;
    Count += count;
    for (; Count >= 8; Count -= 8, Acc >>= 8) Out.push_back(static_cast<std::uint8_t>(Acc));
  }
  void Code(std::uint32_t code, int length) {
    std::uint32_t reversed = 0;
    for (int i = 0; i < length; ++i) reversed |= ((code >> i) & 1u) << (length - 1 - i);
    Bits(reversed, length);
  }
  void Flush() {
    if (Count > 0) Out.push_back(static_cast<std::uint8_t>(Acc));
    Acc = 0;
    Count = 0;
  }

 private:
  std::vector<std::uint8_t>& Out;
  std::uint32_t Acc = 0;
  int Count = 0;
};

// A literal/length symbol by the fixed code table.
void FixedSymbol(TBitWriter& w, int symbol) {
  if (symbol < 144) {
    w.Code(0x30 + symbol, 8);
  } else if (symbol < 256) {
    w.Code(0x190 + symbol - 144, 9);
  } else if (symbol < 280) {
    w.Code(symbol - 256, 7);
  } else {
    w.Code(0xC0 + symbol - 280, 8);
  }
}

// One fixed-code block: literals, and runs of a byte repeating the one before it as
// matches at distance 1 (3 to 258 bytes each).
void DeflateRuns(const std::vector<std::uint8_t>& data, std::vector<std::uint8_t>& z) {
  static const int kBase[] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                              31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
  static const int kExtra[] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                               2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
  TBitWriter w(z);
  w.Bits(1, 1);  // the last block
  w.Bits(1, 2);  // fixed codes
  for (std::size_t i = 0; i < data.size();) {
    std::size_t run = 0;
    if (i > 0) {
      while (run < 258 && i + run < data.size() && data[i + run] == data[i - 1]) ++run;
    }
    if (run < 3) {
      FixedSymbol(w, data[i++]);
      continue;
    }
    int k = 28;
    while (kBase[k] > static_cast<int>(run)) --k;
    FixedSymbol(w, 257 + k);
    w.Bits(static_cast<std::uint32_t>(static_cast<int>(run) - kBase[k]), kExtra[k]);
    w.Code(0, 5);  // distance code 0: one byte back
    i += run;
  }
  FixedSymbol(w, 256);
  w.Flush();
}

void DeflateStored(const std::vector<std::uint8_t>& raw, std::vector<std::uint8_t>& z) {
  std::size_t pos = 0;
  do {
    const std::size_t len = std::min<std::size_t>(raw.size() - pos, 0xFFFF);
    const bool last = pos + len == raw.size();
    z.push_back(last ? 1 : 0);
    z.push_back(static_cast<std::uint8_t>(len));
    z.push_back(static_cast<std::uint8_t>(len >> 8));
    z.push_back(static_cast<std::uint8_t>(~len));
    z.push_back(static_cast<std::uint8_t>(~len >> 8));
    z.insert(z.end(), raw.begin() + static_cast<std::ptrdiff_t>(pos),
             raw.begin() + static_cast<std::ptrdiff_t>(pos + len));
    pos += len;
  } while (pos < raw.size());
}

}  // namespace

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size) {
  const auto& table = CrcTable();
  std::uint32_t c = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < size; ++i) c = table[(c ^ data[i]) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

std::uint32_t Adler32(const std::uint8_t* data, std::size_t size) {
  constexpr std::uint32_t kMod = 65521;
  std::uint32_t a = 1, b = 0;
  for (std::size_t i = 0; i < size; ++i) {
    a = (a + data[i]) % kMod;
    b = (b + a) % kMod;
  }
  return (b << 16) | a;
}

std::vector<std::uint8_t> EncodePng(int width, int height, const std::vector<std::uint32_t>& pixels,
                                    TPngColour colour, TPngPacking packing) {
  if (width <= 0 || height <= 0 ||
      pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
    return {};
  }
  // Scan lines: a filter type, then R, G, B (and A) per pixel.
  const bool alpha = colour == TPngColour::Rgba;
  const std::size_t channels = alpha ? 4 : 3;
  const std::size_t stride = channels * static_cast<std::size_t>(width);
  std::vector<std::uint8_t> raw;
  raw.reserve(static_cast<std::size_t>(height) * (1 + stride));
  std::vector<std::uint8_t> line, above;
  for (int y = 0; y < height; ++y) {
    line.clear();
    for (int x = 0; x < width; ++x) {
      const std::uint32_t p = pixels[static_cast<std::size_t>(y) * width + x];
      line.push_back(static_cast<std::uint8_t>(p >> 16));
      line.push_back(static_cast<std::uint8_t>(p >> 8));
      line.push_back(static_cast<std::uint8_t>(p));
      if (alpha) line.push_back(static_cast<std::uint8_t>(p >> 24));
    }
    if (packing == TPngPacking::Stored) {
      raw.push_back(0);
      raw.insert(raw.end(), line.begin(), line.end());
    } else if (y > 0 && line == above) {
      raw.push_back(2);  // Up: all zeros
      raw.insert(raw.end(), stride, 0);
    } else {
      raw.push_back(1);  // Sub: each byte less the same channel's byte one pixel left
      for (std::size_t i = 0; i < stride; ++i) {
        raw.push_back(
            static_cast<std::uint8_t>(line[i] - (i >= channels ? line[i - channels] : 0)));
      }
    }
    above.swap(line);
  }
  // zlib stream: header (deflate, 32K window, no dictionary, check bits), the deflate
  // data, Adler-32 of the scan lines.
  std::vector<std::uint8_t> z = {0x78, 0x01};
  if (packing == TPngPacking::Stored) {
    DeflateStored(raw, z);
  } else {
    DeflateRuns(raw, z);
  }
  PutBe32(z, Adler32(raw.data(), raw.size()));

  std::vector<std::uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<std::uint8_t> ihdr;
  PutBe32(ihdr, static_cast<std::uint32_t>(width));
  PutBe32(ihdr, static_cast<std::uint32_t>(height));
  // 8 bits, RGB (2) or RGBA (6), deflate, no filter, no interlace
  ihdr.insert(ihdr.end(), {8, static_cast<std::uint8_t>(alpha ? 6 : 2), 0, 0, 0});
  PutChunk(out, "IHDR", ihdr);
  PutChunk(out, "IDAT", z);
  PutChunk(out, "IEND", {});
  return out;
}

bool WritePng(const std::string& path, int width, int height,
              const std::vector<std::uint32_t>& pixels, TPngColour colour, TPngPacking packing) {
  const std::vector<std::uint8_t> bytes = EncodePng(width, height, pixels, colour, packing);
  if (bytes.empty()) return false;
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  if (!f) return false;
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(f.flush());
}

}  // namespace klop::png
