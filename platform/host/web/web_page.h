// The page: what the web host asks of the browser, implemented in web_page.js (a
// JavaScript library linked into the program). Coordinates are device pixels of the
// page's viewport; the page turns them into CSS pixels. The page keeps the browser's
// input in a queue of its own until the host takes it, so that no input reaches the
// program while it is suspended in klop_page_wait.
#pragma once

#include <cstdint>

namespace platform::web {

// What the page queues, as the host reads it.
enum class TPageEventKind : std::int32_t {
  None = 0,
  PointerDown = 1,    // x, y, button, pointer (0 mouse, 1 touch, 2 pen), window
  PointerMove = 2,    // x, y, window under the pointer (0: the page)
  PointerUp = 3,      // x, y, button
  PointerCancel = 4,  // the browser took the pointer (a touch became a scroll)
  KeyDown = 5,        // code, key, modifiers, repeat
  KeyUp = 6,
  Hidden = 7,         // the tab went out of sight
  Visible = 8,
  PageResized = 9,    // the viewport's new size: x, y are width, height
  PageBlurred = 10,   // the browser window lost the keyboard
  PageFocused = 11,
  RestoreAsked = 12,  // a minimised window's bar was clicked: window
  PointerLeftPage = 13,
};

struct TPageEvent {
  double Time;  // Event.timeStamp: milliseconds on the clock of performance.now()
  TPageEventKind Kind;
  std::int32_t Window;
  std::int32_t X;
  std::int32_t Y;
  std::int32_t Button;  // 1 left, 2 middle, 3 right
  std::int32_t Pointer;
  std::int32_t Modifiers;  // kModShift | kModCtrl | kModAlt
  std::int32_t Repeat;
  std::int32_t Detail;   // presses in a row (2: a double click)
  char Code[32];         // KeyboardEvent.code, UTF-8, NUL-terminated
  char Key[32];          // KeyboardEvent.key
};

}  // namespace platform::web

extern "C" {
// Sets up the page's listeners and answers the device pixel ratio.
double klop_page_open();
// The viewport's size in device pixels.
int klop_page_width();
int klop_page_height();
// Takes the next queued event into `e`; 0 when none.
int klop_page_next(platform::web::TPageEvent* e);
// Returns to the browser until an event is queued or `ms` milliseconds have passed
// (ms < 0: no limit). The only import that suspends the program (Asyncify).
void klop_page_wait(double ms);

// Windows: a canvas (with the caption strip on top, `top` device pixels, when framed)
// inside an element with a border of `border` device pixels when resizable.
void klop_window_create(int id, int framed, int border, int popup);
void klop_window_destroy(int id);
// Places the window's surface at (x, y) with the canvas `width` x `height` (caption
// included), its element `top` pixels higher.
void klop_window_place(int id, int x, int y, int width, int height, int top);
void klop_window_show(int id, int shown, int z);
// Shows the rectangle (x, y, w, h) of the window's RGBA picture (`width` x `height`).
void klop_window_put(int id, const std::uint8_t* rgba, int width, int height, int x, int y,
                     int w, int h);
// The program's first picture is on the page (marked for the benchmarks).
void klop_page_presented();
// The minimised bar of window `id`: shown with the RGBA picture, or taken away (rgba null).
void klop_window_bar(int id, const std::uint8_t* rgba, int width, int height);

// The pointer's image: a CSS cursor from an RGBA image made once per id (cached by the
// page), the standard arrow (id 0, rgba null), or none (id -1).
void klop_page_cursor(double id, const std::uint8_t* rgba, int width, int height, int hotX,
                      int hotY);
// A named CSS cursor where the host's own parts are (caption, borders), or "" for the
// program's.
void klop_page_host_cursor(const char* name);

// The program ended with `code`: the page says so and offers to start again.
void klop_page_ended(int code);
}
