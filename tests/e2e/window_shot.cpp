// Writes what window WINDOW (an id, or "root" for the screen) shows as a binary PPM (8
// bits a channel), whole or the part GEOMETRY (WxH+X+Y) of it: the end-to-end scripts'
// screenshot, a few milliseconds where ImageMagick's import takes a tenth of a second of
// CPU.
//   window_shot WINDOW FILE [GEOMETRY]
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

int failed = 0;
int NoteError(Display*, XErrorEvent*) {
  failed = 1;
  return 0;
}

// Channel value of pixel p under mask, scaled to 0..255.
unsigned Channel(unsigned long p, unsigned long mask) {
  if (mask == 0) return 0;
  int shift = 0;
  while (((mask >> shift) & 1) == 0) ++shift;
  unsigned long max = mask >> shift;
  return static_cast<unsigned>(((p & mask) >> shift) * 255 / max);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    std::fputs("usage: window_shot WINDOW FILE [WxH+X+Y]\n", stderr);
    return 2;
  }
  const bool root = std::strcmp(argv[1], "root") == 0;
  char* end = nullptr;
  Window window = root ? 0 : std::strtoul(argv[1], &end, 0);
  if (!root && (*end != '\0' || window == 0)) {
    std::fprintf(stderr, "window_shot: not a window id: %s\n", argv[1]);
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fputs("window_shot: cannot open the display\n", stderr);
    return 1;
  }
  if (root) window = DefaultRootWindow(display);
  XSetErrorHandler(NoteError);
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(display, window, &attributes) || failed) {
    std::fprintf(stderr, "window_shot: no window %s\n", argv[1]);
    return 1;
  }
  int x = 0;
  int y = 0;
  unsigned width = attributes.width;
  unsigned height = attributes.height;
  if (argc == 4) {
    int gx = 0;
    int gy = 0;
    unsigned gw = 0;
    unsigned gh = 0;
    int flags = XParseGeometry(argv[3], &gx, &gy, &gw, &gh);
    if ((flags & (WidthValue | HeightValue)) != (WidthValue | HeightValue) || gx < 0 || gy < 0 ||
        gw == 0 || gh == 0 || gx + gw > width || gy + gh > height) {
      std::fprintf(stderr, "window_shot: %s is not within the window's %ux%u\n", argv[3], width,
                   height);
      return 2;
    }
    x = gx;
    y = gy;
    width = gw;
    height = gh;
  }
  XImage* image = XGetImage(display, window, x, y, width, height, AllPlanes, ZPixmap);
  if (image == nullptr || failed) {
    std::fprintf(stderr, "window_shot: cannot read window %s (not shown?)\n", argv[1]);
    return 1;
  }
  const Visual* visual = attributes.visual;
  std::vector<unsigned char> rgb(static_cast<std::size_t>(width) * height * 3);
  unsigned char* out = rgb.data();
  // The usual 24-bit screen's pixels are read as they lie; any other through XGetPixel.
  const bool direct = image->bits_per_pixel == 32 && image->byte_order == LSBFirst &&
                      visual->red_mask == 0xFF0000 && visual->green_mask == 0xFF00 &&
                      visual->blue_mask == 0xFF;
  for (unsigned row = 0; row < height; ++row) {
    const unsigned char* in = reinterpret_cast<const unsigned char*>(image->data) +
                              static_cast<std::size_t>(row) * image->bytes_per_line;
    for (unsigned column = 0; column < width; ++column, out += 3, in += 4) {
      if (direct) {
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
        continue;
      }
      unsigned long p = XGetPixel(image, static_cast<int>(column), static_cast<int>(row));
      out[0] = static_cast<unsigned char>(Channel(p, visual->red_mask));
      out[1] = static_cast<unsigned char>(Channel(p, visual->green_mask));
      out[2] = static_cast<unsigned char>(Channel(p, visual->blue_mask));
    }
  }
  XDestroyImage(image);
  XCloseDisplay(display);
  std::FILE* file = std::fopen(argv[2], "wb");
  if (file == nullptr) {
    std::perror(argv[2]);
    return 1;
  }
  bool written = std::fprintf(file, "P6\n%u %u\n255\n", width, height) > 0 &&
                 std::fwrite(rgb.data(), 1, rgb.size(), file) == rgb.size();
  if (std::fclose(file) != 0 || !written) {
    std::perror(argv[2]);
    return 1;
  }
  return 0;
}
