// Finds the game's own caption of colour COLOUR (#RRGGBB) on a screenshot (a binary
// PPM, as window_shot writes) and prints "KIND X Y WIDTH HEIGHT": the kind (m for the
// frame, whose caption has three boxes, d for a dialog's one) and its client area. Exits 1
// when no such caption shows. What nested mutter's suites use to find our windows, in a
// few milliseconds where ImageMagick took a second of CPU a search.
//   caption_find FILE COLOUR
//
// The caption's top row is the first row that holds 80 pixels of the colour or more (a
// picture may hold a few of them); there the colour runs from the caption's left end
// to the first box, whose raised edge is white. The client area starts 19 rows lower. A
// frame's inner black line runs down its left side to the row under the client area; a
// maximised frame has none and ends at the screen's bottom; a dialog, which has no frame,
// ends where its left column's colour changes.
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
  if (!read) std::fprintf(stderr, "caption_find: %s is not a binary PPM\n", name);
  return read;
}

}  // namespace

int main(int argc, char** argv) {
  char* end = nullptr;
  const unsigned long colour =
      argc == 3 && argv[2][0] == '#' ? std::strtoul(argv[2] + 1, &end, 16) : 0;
  if (argc != 3 || end == nullptr || *end != '\0' || std::strlen(argv[2]) != 7) {
    std::fputs("usage: caption_find FILE.ppm #RRGGBB\n", stderr);
    return 2;
  }
  TPicture p;
  if (!Read(argv[1], p)) return 2;
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
  const int boxEdge = cx + cw + 18;
  const bool frame = boxEdge < p.Width && p.At(boxEdge, cy) == 0xFFFFFF;
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
