// Prints the pointer's current cursor image as the X server shows it:
//   W H XHOT YHOT
// then H lines of W pixels, each 0xAARRGGBB in hex (premultiplied, as the server keeps it).
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

#include <cstdio>

int main() {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fputs("cursor_image: cannot open the display\n", stderr);
    return 2;
  }
  int eventBase = 0;
  int errorBase = 0;
  if (!XFixesQueryExtension(display, &eventBase, &errorBase)) {
    std::fputs("cursor_image: the display has no XFixes\n", stderr);
    XCloseDisplay(display);
    return 2;
  }
  XFixesCursorImage* image = XFixesGetCursorImage(display);
  if (image == nullptr) {
    std::fputs("cursor_image: no cursor image\n", stderr);
    XCloseDisplay(display);
    return 2;
  }
  std::printf("%d %d %d %d\n", image->width, image->height, image->xhot, image->yhot);
  // The pixels are longs, 64 bits wide here, each holding one 32-bit ARGB value.
  for (int y = 0; y < image->height; ++y) {
    for (int x = 0; x < image->width; ++x) {
      unsigned long p = image->pixels[y * image->width + x];
      std::printf("%s%08lx", x == 0 ? "" : " ", p & 0xFFFFFFFFul);
    }
    std::printf("\n");
  }
  XFree(image);
  XCloseDisplay(display);
  return 0;
}
