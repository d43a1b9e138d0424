// What the end-to-end scripts read off a screenshot (a binary PPM, as window_shot and
// grim write), in milliseconds where ImageMagick took a tenth of a second or more:
//   e2e_picture text [--levels] FILE WxH+X+Y
//                                   the part's pixels, a line each: "X,Y: () #RRGGBB";
//                                   with --levels each channel at the nearest of the
//                                   game's colour levels (00, 80, C0, FF), for a shot of
//                                   a screen of fewer than 24 bits
//   e2e_picture caption FILE COLOUR our own caption of COLOUR (#RRGGBB) on the screen:
//                                   "KIND X Y WIDTH HEIGHT", exit 1 when none shows
// A caption's KIND is m for the frame, whose caption has three boxes, d for a dialog's,
// which has one; X Y WIDTH HEIGHT are its client area. Its top row is the first row that
// holds 80 pixels of the colour or more (a picture may hold a few of them); there the
// colour runs from the caption's left end to the first box.
// The client area starts 19 rows lower. A frame's inner black line runs down its left
// side to the row under the client area; a maximised frame has none and ends at the
// screen's bottom; a dialog, which has no frame, ends where its left column's colour
// changes.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct TPicture {
  int Width = 0, Height = 0;
  std::vector<unsigned char> Rgb;
  unsigned long At(int x, int y) const {
    const unsigned char* p = &Rgb[(std::size_t(y) * Width + x) * 3];
    return (unsigned long)p[0] << 16 | p[1] << 8 | p[2];
  }
};

bool Read(const char* name, TPicture& picture) {
  std::FILE* file = std::fopen(name, "rb");
  if (file == nullptr) {
    std::perror(name);
    return false;
  }
  int max = 0;
  const bool read =
      std::fscanf(file, "P6 %d %d %d", &picture.Width, &picture.Height, &max) == 3 &&
      max == 255 && picture.Width > 0 && picture.Height > 0 && std::fgetc(file) != EOF &&
      picture.Width <= 1 << 14 && picture.Height <= 1 << 14 &&
      (picture.Rgb.resize(std::size_t(picture.Width) * picture.Height * 3),
       std::fread(picture.Rgb.data(), 1, picture.Rgb.size(), file) == picture.Rgb.size());
  std::fclose(file);
  if (!read) std::fprintf(stderr, "e2e_picture: %s is not a binary PPM\n", name);
  return read;
}

unsigned long Levels(unsigned long rgb) {
  unsigned long snapped = 0;
  for (int shift = 16; shift >= 0; shift -= 8) {
    const unsigned long v = (rgb >> shift) & 0xFF;
    snapped |= (v < 64 ? 0 : v < 160 ? 0x80 : v < 224 ? 0xC0 : 0xFF) << shift;
  }
  return snapped;
}

int Text(const TPicture& p, const char* geometry, bool levels) {
  int w = 0, h = 0, x = 0, y = 0;
  char end = 0;
  if (std::sscanf(geometry, "%dx%d+%d+%d%c", &w, &h, &x, &y, &end) != 4 || w <= 0 || h <= 0 ||
      x < 0 || y < 0 || x + w > p.Width || y + h > p.Height) {
    std::fprintf(stderr, "e2e_picture: %s is not within the picture's %dx%d\n", geometry,
                 p.Width, p.Height);
    return 2;
  }
  for (int row = 0; row < h; ++row) {
    for (int column = 0; column < w; ++column) {
      const unsigned long rgb = p.At(x + column, y + row);
      std::printf("%d,%d: () #%06lX\n", column, row, levels ? Levels(rgb) : rgb);
    }
  }
  return 0;
}

int Caption(const TPicture& p, unsigned long colour) {
  int cy = -1;
  for (int y = 0; y < p.Height && cy < 0; ++y) {
    int run = 0;
    for (int x = 0; x < p.Width; ++x) run += p.At(x, y) == colour;
    if (run >= 80) cy = y;
  }
  if (cy < 0) return 1;
  int cx = 0;
  while (p.At(cx, cy) != colour) ++cx;
  int cw = 0;
  while (cx + cw < p.Width && p.At(cx + cw, cy) == colour) ++cw;
  if (cw < 40) return 1;
  // A box's top row is white but for its last pixel, 17 on, which is black: one box is a
  // dialog's, three in a row a frame's (either of the last two will do: the pointer drawn
  // on the screen may hide one). A run that ends in no box (a window shown before its
  // picture is redrawn at its new size) is no caption.
  const int boxes = cx + cw;
  auto box = [&](int x) {
    return x + 17 < p.Width && p.At(x, cy) == 0xFFFFFF && p.At(x + 17, cy) == 0;
  };
  if (!box(boxes)) return 1;
  const bool frame = box(boxes + 18) || box(boxes + 36);
  const int top = cy + 19;
  if (top >= p.Height) return 1;
  int height = 0;
  if (frame && cx >= 4) {
    int y = cy;
    while (y < p.Height && p.At(cx - 1, y) == 0) ++y;
    if (y == cy) return 1;
    height = y - 1 - top;
  } else if (frame) {
    height = p.Height - top;
  } else {
    const unsigned long first = p.At(cx, top);
    int y = top + 1;
    while (y < p.Height && p.At(cx, y) == first) ++y;
    height = y < p.Height ? y - top : 0;
  }
  std::printf("%c %d %d %d %d\n", frame ? 'm' : 'd', cx, top, cw + (frame ? 54 : 18), height);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const bool levels = argc == 5 && std::strcmp(argv[2], "--levels") == 0;
  if (levels) {
    argv[2] = argv[1];
    ++argv;
    --argc;
  }
  const bool text = argc == 4 && std::strcmp(argv[1], "text") == 0;
  const bool caption = argc == 4 && std::strcmp(argv[1], "caption") == 0 && !levels;
  char* end = nullptr;
  const unsigned long colour =
      caption && argv[3][0] == '#' ? std::strtoul(argv[3] + 1, &end, 16) : 0;
  if (!(text || caption) || (caption && (end == nullptr || *end != '\0' || std::strlen(argv[3]) != 7))) {
    std::fputs("usage: e2e_picture text [--levels] FILE.ppm WxH+X+Y | caption FILE.ppm #RRGGBB\n",
               stderr);
    return 2;
  }
  TPicture p;
  if (!Read(argv[2], p)) return 2;
  return text ? Text(p, argv[3], levels) : Caption(p, colour);
}
