#include "tools/rc/image_writer.h"

#include "tools/rc/palette.h"
#include "tools/rc/rc_error.h"

namespace klop::rc {
namespace {

std::size_t Stride(int width, int bits) {
  return ((static_cast<std::size_t>(width) * static_cast<std::size_t>(bits) + 31) / 32) * 4;
}

void PutInfoHeader(TBytes& out, int width, int storedHeight, int bits, std::size_t imageBytes,
                   std::uint32_t coloursUsed) {
  PutU32(out, 40);
  PutU32(out, static_cast<std::uint32_t>(width));
  PutU32(out, static_cast<std::uint32_t>(storedHeight));
  PutU16(out, 1);
  PutU16(out, static_cast<std::uint32_t>(bits));
  PutU32(out, 0);  // uncompressed
  PutU32(out, static_cast<std::uint32_t>(imageBytes));
  PutU32(out, 0);
  PutU32(out, 0);
  PutU32(out, coloursUsed);
  PutU32(out, 0);
}

void PutColourTable(TBytes& out, const TPalette& palette) {
  for (std::uint32_t rgb : palette) {
    out.push_back(static_cast<std::uint8_t>(rgb & 0xFF));
    out.push_back(static_cast<std::uint8_t>((rgb >> 8) & 0xFF));
    out.push_back(static_cast<std::uint8_t>((rgb >> 16) & 0xFF));
    out.push_back(0);
  }
}

void CheckShapeSize(const TXpmImage& image, const std::string& file, const char* kind) {
  if (image.Width != kShapeSide || image.Height != kShapeSide) {
    throw TRcError(file, image.ValuesLine,
                   "wrong size " + std::to_string(image.Width) + " x " +
                       std::to_string(image.Height) + ": " + kind + " must be 32 x 32");
  }
}

// Rows of `bits` per pixel, bottom row first, from `value(x, y)`.
template <typename F>
void PutRows(TBytes& out, int width, int height, int bits, F value) {
  const std::size_t stride = Stride(width, bits);
  for (int y = height - 1; y >= 0; --y) {
    const std::size_t start = out.size();
    out.resize(start + stride, 0);
    for (int x = 0; x < width; ++x) {
      const unsigned v = value(x, y);
      if (bits == 4) {
        out[start + static_cast<std::size_t>(x) / 2] |=
            static_cast<std::uint8_t>(x % 2 == 0 ? v << 4 : v);
      } else if (v != 0) {
        out[start + static_cast<std::size_t>(x) / 8] |= static_cast<std::uint8_t>(0x80u >> (x % 8));
      }
    }
  }
}

const TXpmColour& ColourAt(const TXpmImage& image, int x, int y) {
  return image.Colours[static_cast<std::size_t>(
      image.Pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(image.Width) +
                   static_cast<std::size_t>(x)])];
}

}  // namespace

TBytes EncodeBitmap(const TXpmImage& image, const TBitmapOptions& options,
                    const std::string& file) {
  for (const TXpmColour& c : image.Colours) {
    if (c.Transparent) throw TRcError(file, c.Line, "a bitmap cannot be transparent (None)");
  }
  TPalette palette = StandardPalette();
  if (options.SwapGreys) std::swap(palette[kGreyIndex], palette[kLightGreyIndex]);
  const std::size_t bytes = Stride(image.Width, 4) * static_cast<std::size_t>(image.Height);
  TBytes out;
  out.reserve(40 + 64 + bytes);
  PutInfoHeader(out, image.Width, image.Height, 4, bytes, 16);
  PutColourTable(out, palette);
  PutRows(out, image.Width, image.Height, 4, [&](int x, int y) {
    return static_cast<unsigned>(*PaletteIndex(palette, ColourAt(image, x, y).Rgb));
  });
  return out;
}

TBytes EncodeCursor(const TXpmImage& image, const std::string& file) {
  CheckShapeSize(image, file, "a cursor");
  for (const TXpmColour& c : image.Colours) {
    if (!c.Transparent && c.Rgb != 0x000000 && c.Rgb != 0xFFFFFF) {
      throw TRcError(file, c.Line, "a cursor may use only black, white and None");
    }
  }
  if (!image.HotX) {
    throw TRcError(file, image.ValuesLine, "a cursor needs its hot spot on the values line");
  }
  const int w = image.Width, h = image.Height;
  const std::size_t maskBytes = Stride(w, 1) * static_cast<std::size_t>(h);
  TBytes out;
  PutU16(out, static_cast<std::uint32_t>(*image.HotX));
  PutU16(out, static_cast<std::uint32_t>(*image.HotY));
  PutInfoHeader(out, w, 2 * h, 1, 2 * maskBytes, 0);
  PutU32(out, 0x00000000);  // colour table: black,
  PutU32(out, 0x00FFFFFF);  // white
  // XOR: white pixels; AND: transparent ones. No pixel sets both (which would invert).
  PutRows(out, w, h, 1, [&](int x, int y) {
    const TXpmColour& c = ColourAt(image, x, y);
    return static_cast<unsigned>(!c.Transparent && c.Rgb == 0xFFFFFF);
  });
  PutRows(out, w, h, 1,
          [&](int x, int y) { return static_cast<unsigned>(ColourAt(image, x, y).Transparent); });
  return out;
}

TBytes EncodeIcon(const TXpmImage& image, const std::string& file) {
  CheckShapeSize(image, file, "an icon");
  const int w = image.Width, h = image.Height;
  const std::size_t colourBytes = Stride(w, 4) * static_cast<std::size_t>(h);
  const std::size_t maskBytes = Stride(w, 1) * static_cast<std::size_t>(h);
  TBytes out;
  PutInfoHeader(out, w, 2 * h, 4, colourBytes + maskBytes, 0);
  PutColourTable(out, StandardPalette());
  PutRows(out, w, h, 4, [&](int x, int y) {
    const TXpmColour& c = ColourAt(image, x, y);
    return c.Transparent ? 0u : static_cast<unsigned>(*PaletteIndex(StandardPalette(), c.Rgb));
  });
  PutRows(out, w, h, 1,
          [&](int x, int y) { return static_cast<unsigned>(ColourAt(image, x, y).Transparent); });
  return out;
}

}  // namespace klop::rc
