// The only door from the platform to a display. One Host is current per process;
// the desktop hosts show real windows, THeadlessHost keeps everything in memory for tests.
//
// The platform owns every window's pixels (one 0x00RRGGBB surface per top-level
// window, menu bar strip included) and hands the host the rectangles that changed;
// the host turns desktop input into HostEvents, which the platform's window manager
// turns into messages. Coordinates are pixels; "screen" means the host's desktop.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// A host's top-level window; 0 is none.
using HostWindow = std::uint32_t;

// Monotonic time since an epoch of the host's choosing.
using HostTime = std::chrono::nanoseconds;

constexpr int kHostDefaultPosition = INT32_MIN;  // the host (or its desktop) places the window

struct HostRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

// Thickness of the desktop's decorations around a window's surface (title bar, borders).
struct HostInsets {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

// An image with straight (not premultiplied) alpha, 0xAARRGGBB, rows top to bottom.
// Cursors carry their hot spot. `id` is unique for the life of the process for each
// distinct image the platform creates, so a host may cache what it builds from it.
struct CursorShape {
  int width = 0;
  int height = 0;
  int hotX = 0;
  int hotY = 0;
  std::vector<std::uint32_t> pixels;
  std::uint64_t id = 0;
  bool systemArrow = false;  // the desktop's own standard arrow may stand in for the pixels
};

struct HostWindowSpec {
  std::string title;
  int x = kHostDefaultPosition;  // screen position of the surface's top-left corner
  int y = kHostDefaultPosition;
  int width = 0;  // surface size
  int height = 0;
  bool resizable = false;  // a sizing frame with minimise and maximise boxes
  bool dialog = false;     // fixed size, owned by `owner`, kept out of the task bar
  bool modal = false;      // a dialog whose owner takes no input while it shows
  // A popup menu: borderless, left alone by the desktop (placed exactly at x, y, never
  // framed), taking no keyboard focus of its own, kept out of the task bar, over `owner`.
  bool popup = false;
  HostWindow owner = 0;
};

enum class HostShow { Hidden, Normal, Minimized, Maximized };

enum class HostEventKind {
  PointerMove,     // x, y: surface coordinates of `window`
  PointerPress,    // x, y, button
  PointerRelease,  // x, y, button
  KeyDown,         // key (a VK_ code), modifiers, repeat
  KeyUp,           // key, modifiers
  Text,            // text: UTF-8, as typed
  CloseRequest,    // the user asked the window to close
  Minimized,
  Restored,
  Maximized,
  Resized,  // width, height: the new surface size
  Moved,    // x, y: the surface's new screen position
  Exposed,  // x, y, width, height: the surface area to show again
  FocusGained,
  FocusLost,
  PointerLeft,  // the pointer left `window`
  CaptureLost,  // the desktop refused or ended `window`'s capture of the pointer
  SystemMenu,   // the user asked for `window`'s system menu (a caption the host draws)
};

constexpr unsigned kModShift = 1;
constexpr unsigned kModCtrl = 2;
constexpr unsigned kModAlt = 4;

constexpr int kButtonLeft = 1;
constexpr int kButtonMiddle = 2;
constexpr int kButtonRight = 3;

struct HostEvent {
  HostEventKind kind = HostEventKind::PointerMove;
  HostWindow window = 0;
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  int button = 0;
  unsigned key = 0;
  unsigned modifiers = 0;
  bool repeat = false;
  char text[8] = {};
  HostTime time{};
};

class Host {
 public:
  virtual ~Host() = default;

  // Top-level windows. A new window is hidden until Show. Create answers 0 when refused.
  virtual HostWindow CreateWindow(const HostWindowSpec& asked) = 0;
  virtual void DestroyWindow(HostWindow window) = 0;
  virtual void SetTitle(HostWindow window, const std::string& title) = 0;
  virtual void SetIcon(HostWindow window, const CursorShape& icon) = 0;
  // Moves and sizes the surface; the desktop adds its decorations around it.
  virtual void SetBounds(HostWindow window, const HostRect& bounds) = 0;
  virtual HostRect Bounds(HostWindow window) const = 0;
  virtual HostInsets Decorations(HostWindow window) const = 0;
  // The part of the desktop that windows may use (screen coordinates), for placing
  // dialogs, message boxes and menus where they can be seen.
  virtual HostRect WorkArea() const = 0;
  // The work area of the monitor that holds screen point (x, y), or of the nearest one:
  // a dialog, message box or menu placed there lies on one monitor, never across two or
  // in the space a smaller one leaves beside a larger. One screen: WorkArea().
  virtual HostRect WorkAreaAt(int x, int y) const {
    (void)x, (void)y;
    return WorkArea();
  }
  virtual void Show(HostWindow window, HostShow how) = 0;
  virtual void Raise(HostWindow window) = 0;

  // Shows the given rectangles of the window's pixels; `stride` counts pixels per row.
  virtual void Present(HostWindow window, const std::uint32_t* pixels, int width, int height,
                       int stride, const HostRect* rects, std::size_t count) = 0;
  // Memory for the window's pixels at this size that Present shows without copying
  // (shared with the display server), or nullptr when the host has none to lend and the
  // caller keeps its own. It is the caller's to draw in until it presents the window,
  // asks again, or the window ends; after a Present the caller asks again before it
  // draws, and at the same size is lent memory holding the picture presented (the same,
  // or another buffer while the display server reads the one presented). Between
  // Presents the host may read it to repaint the window.
  virtual std::uint32_t* WindowPixels(HostWindow window, int width, int height) {
    (void)window, (void)width, (void)height;
    return nullptr;
  }
  // Called before the platform writes again into the pixels WindowPixels lent for
  // `window` after a Present of them; returns once the display server no longer reads
  // them (the X11 host: the answer to a request sent after its shared-memory puts; a
  // Wayland host: the buffer's release). Presenting only asks, so that a frame's wait
  // falls, if at all, before the next frame is drawn rather than after this one. Cheap
  // when nothing is outstanding.
  virtual void BeforeDrawing(HostWindow window) { (void)window; }

  // The pointer. SetCursor(nullptr) hides it; the shape is not kept past the call.
  virtual void SetCursor(const CursorShape* shape) = 0;
  virtual void PointerPosition(int& x, int& y) const = 0;  // screen coordinates
  virtual void WarpPointer(int x, int y) = 0;              // screen coordinates
  // While captured, pointer events keep coming to the window even outside it.
  virtual void CapturePointer(HostWindow window, bool captured) = 0;
  // The system menu's Move or Size: the desktop moves or sizes the window as the user
  // then shows it (a host whose desktop does that on its own frame does nothing).
  virtual void BeginMoveOrSize(HostWindow window, bool size) { (void)window, (void)size; }

  // Time and input.
  virtual HostTime Now() const = 0;
  // Takes the next pending event without waiting; false when there is none.
  virtual bool NextEvent(HostEvent& event) = 0;
  // Blocks until an event is pending or `deadline` (a Now() value) has passed.
  // HostTime::max() waits for input alone.
  virtual void Wait(HostTime deadline) = 0;

  // The whole-number scale the desktop asks windows to be shown at (1 for none). Only
  // the program's start-up asks it, to choose how to wrap the host (scaled_host.h).
  virtual int DesktopScale() const { return 1; }
  // The scale the program chose, told once before the first window: a host whose
  // desktop can show each of its pixels as an n x n block of the screen's (Wayland's
  // buffer scale) takes it, so that the picture is crisp on a high-density screen.
  virtual void UseScale(int n) { (void)n; }
};

// Makes `host` the process's host; call before any other platform function.
void InstallHost(Host& host);
// The installed host. Calling it with none installed is a programming error.
Host& CurrentHost();
bool HasHost();

}  // namespace platform
