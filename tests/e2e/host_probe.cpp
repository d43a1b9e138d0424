// host_probe: the desktop host alone on a real display, for host_e2e.sh. It opens a
// resizable frame and a dialog owned by it, presents known pixels, sets an icon and
// a cursor, and prints one line per host event. Keys in the frame ask for more:
//   w  warp the pointer to the frame's surface (30, 40)   -> "warped X Y"
//   p  print the pointer's screen position                -> "pointer X Y"
//   h  hide the pointer, s show the probe cursor again, a the desktop's arrow
//   m  show a yellow 60x40 popup menu window at the frame's surface (10, 25)
//                                                         -> "popup X Y"
//   n  destroy it                                         -> "popup gone"
// Closing the frame ends the probe with 0; closing the dialog destroys it.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/host/desktop_host.h"

namespace {

using namespace platform;

constexpr int kFrameW = 200;
constexpr int kFrameH = 150;
constexpr int kDialogW = 120;
constexpr int kDialogH = 80;
constexpr int kPopupW = 60;
constexpr int kPopupH = 40;

void Say(const char* format, auto... args) {
  // A bare message is written, not used as a format (Debian's flags refuse that).
  if constexpr (sizeof...(args) == 0) {
    std::fputs(format, stdout);
  } else {
    std::printf(format, args...);
  }
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

CursorShape ProbeCursor() {
  // 16x16: an opaque magenta 8x8 block at the top left, the rest transparent.
  CursorShape c;
  c.width = 16;
  c.height = 16;
  c.hotX = 3;
  c.hotY = 4;
  c.id = 0xC0FFEE;
  c.pixels.assign(16 * 16, 0x00FFFFFF);  // transparent, with colour the host must drop
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) c.pixels[y * 16 + x] = 0xFFFF00FF;
  }
  return c;
}

CursorShape ProbeIcon() {
  CursorShape i;
  i.width = 32;
  i.height = 32;
  i.id = 0x1C0;
  i.pixels.assign(32 * 32, 0xFF00FF00);
  return i;
}

const char* KindName(HostEventKind k) {
  switch (k) {
    case HostEventKind::PointerMove:
      return "move";
    case HostEventKind::PointerPress:
      return "press";
    case HostEventKind::PointerRelease:
      return "release";
    case HostEventKind::KeyDown:
      return "keydown";
    case HostEventKind::KeyUp:
      return "keyup";
    case HostEventKind::Text:
      return "text";
    case HostEventKind::CloseRequest:
      return "close";
    case HostEventKind::Minimized:
      return "minimized";
    case HostEventKind::Restored:
      return "restored";
    case HostEventKind::Maximized:
      return "maximized";
    case HostEventKind::Resized:
      return "resized";
    case HostEventKind::Moved:
      return "moved";
    case HostEventKind::Exposed:
      return "exposed";
    case HostEventKind::FocusGained:
      return "focus";
    case HostEventKind::FocusLost:
      return "unfocus";
    case HostEventKind::PointerLeft:
      return "left";
    case HostEventKind::CaptureLost:
      return "capturelost";
    case HostEventKind::SystemMenu:
      return "systemmenu";
  }
  return "?";
}

}  // namespace

int main() {
  std::string error;
  std::unique_ptr<Host> host = MakeDesktopHost(error);
  if (host == nullptr) {
    std::fprintf(stderr, "host_probe: %s\n", error.c_str());
    return 1;
  }
  HostWindowSpec fs;
  fs.title = "probe frame";
  fs.x = 100;
  fs.y = 100;
  fs.width = kFrameW;
  fs.height = kFrameH;
  fs.resizable = true;
  HostWindow frame = host->CreateWindow(fs);
  HostWindowSpec ds;
  ds.title = "probe dialog";
  ds.x = 500;
  ds.y = 100;
  ds.width = kDialogW;
  ds.height = kDialogH;
  ds.dialog = true;
  ds.owner = frame;
  HostWindow dialog = host->CreateWindow(ds);
  if (frame == 0 || dialog == 0) {
    std::fputs("host_probe: no window\n", stderr);
    return 1;
  }
  host->SetIcon(frame, ProbeIcon());
  host->Show(frame, HostShow::Normal);
  host->Show(dialog, HostShow::Normal);

  // The frame all blue; then a red picture of which only one rectangle is presented.
  std::vector<std::uint32_t> blue(kFrameW * kFrameH, 0x000000FF);
  std::vector<std::uint32_t> red(kFrameW * kFrameH, 0x00FF0000);
  std::vector<std::uint32_t> green(kDialogW * kDialogH, 0x0000FF00);
  HostRect all{0, 0, kFrameW, kFrameH};
  HostRect spot{10, 20, 30, 40};
  HostRect dialogAll{0, 0, kDialogW, kDialogH};
  host->Present(frame, blue.data(), kFrameW, kFrameH, kFrameW, &all, 1);
  host->Present(frame, red.data(), kFrameW, kFrameH, kFrameW, &spot, 1);
  host->Present(dialog, green.data(), kDialogW, kDialogH, kDialogW, &dialogAll, 1);
  const CursorShape cursor = ProbeCursor();
  CursorShape arrow;  // no pixels: the desktop's own arrow stands in
  arrow.systemArrow = true;
  arrow.id = 1;
  host->SetCursor(&cursor);
  HostWindow popup = 0;
  Say("ready");

  HostEvent e;
  for (;;) {
    host->Wait(HostTime::max());
    while (host->NextEvent(e)) {
      const char* who = e.window == frame                 ? "frame"
                        : e.window == dialog              ? "dialog"
                        : e.window == popup && popup != 0 ? "popup"
                                                          : "other";
      switch (e.kind) {
        case HostEventKind::PointerMove:
          break;  // too many to print
        case HostEventKind::PointerPress:
        case HostEventKind::PointerRelease:
          Say("%s %s %d %d %d", KindName(e.kind), who, e.x, e.y, e.button);
          break;
        case HostEventKind::KeyDown:
        case HostEventKind::KeyUp:
          Say("%s %s 0x%02X %u", KindName(e.kind), who, e.key, e.modifiers);
          break;
        case HostEventKind::Text:
          Say("text %s %s", who, e.text);
          if (e.window != frame) break;
          if (e.text[0] == 'w') {
            HostRect b = host->Bounds(frame);
            host->WarpPointer(b.x + 30, b.y + 40);
            Say("warped %d %d", b.x + 30, b.y + 40);
          } else if (e.text[0] == 'p') {
            int x = 0;
            int y = 0;
            host->PointerPosition(x, y);
            HostRect b = host->Bounds(frame);
            Say("pointer %d %d frame %d %d", x, y, b.x, b.y);
          } else if (e.text[0] == 'h') {
            host->SetCursor(nullptr);
          } else if (e.text[0] == 's') {
            host->SetCursor(&cursor);
          } else if (e.text[0] == 'a') {
            host->SetCursor(&arrow);
          } else if (e.text[0] == 'm' && popup == 0) {
            const HostRect b = host->Bounds(frame);
            HostWindowSpec ps;
            ps.title = "probe popup";
            ps.x = b.x + 10;
            ps.y = b.y + 25;
            ps.width = kPopupW;
            ps.height = kPopupH;
            ps.popup = true;
            ps.owner = frame;
            popup = host->CreateWindow(ps);
            if (popup != 0) {
              host->Show(popup, HostShow::Normal);
              std::vector<std::uint32_t> yellow(kPopupW * kPopupH, 0x00FFFF00);
              const HostRect whole{0, 0, kPopupW, kPopupH};
              host->Present(popup, yellow.data(), kPopupW, kPopupH, kPopupW, &whole, 1);
              Say("popup %d %d", ps.x, ps.y);
            }
          } else if (e.text[0] == 'n' && popup != 0) {
            host->DestroyWindow(popup);
            popup = 0;
            Say("popup gone");
          }
          break;
        case HostEventKind::Resized:
          Say("resized %s %d %d", who, e.width, e.height);
          break;
        case HostEventKind::CloseRequest:
          Say("close %s", who);
          if (e.window == frame) return 0;
          host->DestroyWindow(dialog);
          dialog = 0;
          Say("destroyed dialog");
          break;
        default:
          Say("%s %s", KindName(e.kind), who);
          break;
      }
    }
  }
}
