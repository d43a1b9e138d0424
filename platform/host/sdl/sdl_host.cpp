// The SDL2 host.
//
// Pixel pipeline: the platform draws into its own 0x00RRGGBB surface per top-level
// window and calls Present with the rectangles that changed. Each rectangle is
// copied into this host's shadow of the window (so that an expose or a resize can
// be answered without the platform) and converted into SDL's software window
// surface; only those rectangles are then pushed to the display with
// SDL_UpdateWindowSurfaceRects. Nothing is drawn by the GPU: the framebuffer stays
// in software, which keeps the process small and the window's X id stable. On a
// high-density desktop the program wraps this host in a scaled one (scaled_host.h),
// so the pixels arriving here are already N times larger.
//
// Input is read in Wait and NextEvent, translated into HostEvents and kept in a queue
// until taken. Wait blocks on the X server's socket until it speaks or the deadline
// comes (in SDL_WaitEventTimeout where there is no X connection): no polling loop.
#include "platform/host/sdl/sdl_host.h"

#include <SDL.h>
#include <poll.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "klop_config.h"
#include "platform/host/host_events.h"
#include "platform/host/host_pixels.h"
#include "platform/host/scale.h"
#include "platform/host/sdl/sdl_keys.h"
#include "platform/host/sdl/sdl_x11.h"

namespace platform {
namespace {

constexpr int kMaxCursorSide = 256;
constexpr std::size_t kMaxCachedCursors = 64;
// The virtual keys of the modifiers: Shift, Ctrl, Alt.
constexpr unsigned kFirstModifierKey = 0x10;
constexpr unsigned kLastModifierKey = 0x12;

struct TSdlWindow {
  SDL_Window* Window = nullptr;
  int Width = 0;  // the size SDL last told us, or we last asked for
  int Height = 0;
  // The last pixels presented, so that exposes and resizes are answered at once.
  std::vector<std::uint32_t> Shadow;
  int ShadowWidth = 0;
  int ShadowHeight = 0;
  bool SurfaceStale = false;  // SDL made a new window surface that holds nothing yet
  HostWindow Owner = 0;       // a dialog's or popup's, told to the desktop
  bool FocusablePopup = false;  // a popup made a toplevel, which takes the keyboard
};

bool g_open = false;  // SDL is process-wide: one host at a time

// libX11 parses the locale's whole compose table (half a megabyte) whenever SDL opens
// its input method, unless it finds a cache of it: by default only in ~/.compose-cache,
// which nobody creates. Pointing XCOMPOSECACHE at our own cache folder (made private,
// as libX11 insists) lets every start after the first read the cache instead. libX11
// keeps no cache for root, so neither do we; a user's own XCOMPOSECACHE wins.
void UseComposeCache() {
  if (geteuid() == 0 || std::getenv("XCOMPOSECACHE") != nullptr) return;
  std::string folder;
  const char* cache = std::getenv("XDG_CACHE_HOME");
  const char* home = std::getenv("HOME");
  if (cache != nullptr && cache[0] == '/') {
    folder = cache;
    mkdir(folder.c_str(), 0700);
  } else if (home != nullptr && home[0] == '/') {
    folder = std::string(home) + "/.cache";
    mkdir(folder.c_str(), 0700);
  } else {
    return;
  }
  folder += "/klop";
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return;
  setenv("XCOMPOSECACHE", folder.c_str(), 0);
}

// SDL's Wayland driver has no software window framebuffer: a window surface there is
// always a streaming texture of a GL renderer. With the acceleration hint off,
// SDL_GetWindowSurface answers NULL, so nothing is ever attached and the toplevel never
// maps. On Wayland the hint must allow the texture (or name a renderer).
void KeepTextureFramebuffer() {
  const char* hint = SDL_GetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION);
  if (hint == nullptr || std::strcmp(hint, "0") == 0 || SDL_strcasecmp(hint, "false") == 0 ||
      SDL_strcasecmp(hint, "software") == 0) {
    SDL_SetHintWithPriority(SDL_HINT_FRAMEBUFFER_ACCELERATION, "1", SDL_HINT_OVERRIDE);
  }
}

class TSdlHost final : public Host {
 public:
  explicit TSdlHost(bool onWayland)
      : OnWayland_(onWayland), TicksBase_(Now() - std::chrono::milliseconds(SDL_GetTicks64())) {}

  ~TSdlHost() override {
    SDL_SetCursor(nullptr);
    for (auto& [id, cursor] : Cursors_) SDL_FreeCursor(cursor);
    if (Arrow_ != nullptr) SDL_FreeCursor(Arrow_);
    for (auto& [id, w] : Windows_) SDL_DestroyWindow(w.Window);
    SDL_Quit();
    g_open = false;
  }

  HostWindow CreateWindow(const HostWindowSpec& asked) override {
    if (asked.width <= 0 || asked.height <= 0) return 0;
    Uint32 flags = SDL_WINDOW_HIDDEN;
    if (asked.popup && OnWayland_) {
      // SDL 2's Wayland popups send an incomplete xdg_positioner (no size, no anchor
      // rectangle), which the compositor answers with a protocol error that ends the
      // connection. A borderless fixed-size toplevel with its owner as parent is the
      // nearest sound thing: the desktop floats it, though not where the platform asked.
      flags |= SDL_WINDOW_BORDERLESS | SDL_WINDOW_SKIP_TASKBAR;
    } else if (asked.popup) {
      // X11 makes this override-redirect: unmanaged, unframed, placed where asked.
      flags |= SDL_WINDOW_POPUP_MENU | SDL_WINDOW_BORDERLESS | SDL_WINDOW_SKIP_TASKBAR;
    } else if (asked.resizable && !asked.dialog) {
      flags |= SDL_WINDOW_RESIZABLE;
    }
    if (asked.dialog) flags |= SDL_WINDOW_SKIP_TASKBAR;
    int x = asked.x == kHostDefaultPosition ? int(SDL_WINDOWPOS_UNDEFINED) : asked.x;
    int y = asked.y == kHostDefaultPosition ? int(SDL_WINDOWPOS_UNDEFINED) : asked.y;
    SDL_Window* window =
        SDL_CreateWindow(asked.title.c_str(), x, y, asked.width, asked.height, flags);
    if (window == nullptr) return 0;
    HostWindow id = SDL_GetWindowID(window);
    if (XConnection_ < 0) XConnection_ = X11ConnectionOf(window);
    // The same class on every window, so the desktop groups them under the program's
    // entry; the instance is the program's file name (KLOP_WM_NAME for the game itself),
    // as ICCCM asks and as the X11 host does.
    const char* instance = program_invocation_short_name;
    if (instance == nullptr || instance[0] == '\0') instance = KLOP_WM_NAME;
    SetWindowClass(window, instance, KLOP_WM_CLASS);
    TSdlWindow& w = Windows_[id];
    w.Window = window;
    w.Width = asked.width;
    w.Height = asked.height;
    if (asked.dialog || asked.popup) w.Owner = asked.owner;
    w.FocusablePopup = asked.popup && OnWayland_;
    if (asked.dialog && !asked.popup) {
      if (TSdlWindow* owner = Find(asked.owner)) SDL_SetWindowModalFor(window, owner->Window);
      MarkWindowAsDialog(window);
    } else if (asked.popup) {
      // Transient for its owner, so that a compositor knows whose menu it is.
      if (TSdlWindow* owner = Find(asked.owner)) SDL_SetWindowModalFor(window, owner->Window);
    }
    return id;
  }

  void DestroyWindow(HostWindow window) override {
    auto it = Windows_.find(window);
    if (it == Windows_.end()) return;
    SDL_DestroyWindow(it->second.Window);
    Windows_.erase(it);
    Pending_.Forget(window);
  }

  void SetTitle(HostWindow window, const std::string& title) override {
    if (TSdlWindow* w = Find(window)) SDL_SetWindowTitle(w->Window, title.c_str());
  }

  void SetIcon(HostWindow window, const CursorShape& icon) override {
    TSdlWindow* w = Find(window);
    if (w == nullptr || !ShapeIsSound(icon)) return;
    if (SetWindowIcons(w->Window, icon.pixels.data(), icon.width, icon.height)) return;
    // SDL copies the pixels before this returns, so the surface may borrow them.
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
        const_cast<std::uint32_t*>(icon.pixels.data()), icon.width, icon.height, 32, icon.width * 4,
        SDL_PIXELFORMAT_ARGB8888);
    if (surface == nullptr) return;
    SDL_SetWindowIcon(w->Window, surface);
    SDL_FreeSurface(surface);
  }

  void SetBounds(HostWindow window, const HostRect& bounds) override {
    TSdlWindow* w = Find(window);
    if (w == nullptr) return;
    int x = 0;
    int y = 0;
    SDL_GetWindowPosition(w->Window, &x, &y);
    // Unchanged positions are not asked for again: the desktop may answer each
    // request with a move of its own.
    if (x != bounds.x || y != bounds.y) SDL_SetWindowPosition(w->Window, bounds.x, bounds.y);
    if (bounds.width > 0 && bounds.height > 0 &&
        (bounds.width != w->Width || bounds.height != w->Height)) {
      SDL_SetWindowSize(w->Window, bounds.width, bounds.height);
      w->Width = bounds.width;
      w->Height = bounds.height;
      w->SurfaceStale = true;
    }
  }

  HostRect Bounds(HostWindow window) const override {
    HostRect r;
    if (const TSdlWindow* w = Find(window)) {
      SDL_GetWindowPosition(w->Window, &r.x, &r.y);
      SDL_GetWindowSize(w->Window, &r.width, &r.height);
    }
    return r;
  }

  HostInsets Decorations(HostWindow window) const override {
    HostInsets in;
    if (const TSdlWindow* w = Find(window)) {
      if (SDL_GetWindowBordersSize(w->Window, &in.top, &in.left, &in.bottom, &in.right) != 0) {
        in = HostInsets{};
      }
    }
    return in;
  }

  HostRect WorkArea() const override { return DisplayArea(0); }

  HostRect WorkAreaAt(int x, int y) const override {
#if SDL_VERSION_ATLEAST(2, 24, 0)
    const SDL_Point p{x, y};
    const int display = SDL_GetPointDisplayIndex(&p);
    return DisplayArea(display >= 0 ? display : 0);
#else
    (void)x, (void)y;
    return DisplayArea(0);
#endif
  }

  static HostRect DisplayArea(int display) {
    SDL_Rect r{};
    if (SDL_GetDisplayUsableBounds(display, &r) != 0 && SDL_GetDisplayBounds(display, &r) != 0) {
      return HostRect{0, 0, 1024, 768};
    }
    return HostRect{r.x, r.y, r.w, r.h};
  }

  void Show(HostWindow window, HostShow how) override {
    TSdlWindow* w = Find(window);
    if (w == nullptr) return;
    if (how == HostShow::Hidden) {
      SDL_HideWindow(w->Window);
      return;
    }
    SDL_ShowWindow(w->Window);
    // SDL's Wayland driver makes the toplevel only when the window shows, and drops a
    // parent given before: given again, the desktop floats the window over its owner.
    if (OnWayland_ && w->Owner != 0) {
      if (TSdlWindow* owner = Find(w->Owner)) SDL_SetWindowModalFor(w->Window, owner->Window);
    }
    Uint32 flags = SDL_GetWindowFlags(w->Window);
    switch (how) {
      case HostShow::Normal:
        if ((flags & (SDL_WINDOW_MINIMIZED | SDL_WINDOW_MAXIMIZED)) != 0) {
          SDL_RestoreWindow(w->Window);
        }
        break;
      case HostShow::Minimized:
        SDL_MinimizeWindow(w->Window);
        break;
      case HostShow::Maximized:
        SDL_MaximizeWindow(w->Window);
        break;
      case HostShow::Hidden:
        break;
    }
  }

  void Raise(HostWindow window) override {
    if (TSdlWindow* w = Find(window)) SDL_RaiseWindow(w->Window);
  }

  void Present(HostWindow window, const std::uint32_t* pixels, int width, int height, int stride,
               const HostRect* rects, std::size_t count) override {
    TSdlWindow* w = Find(window);
    if (w == nullptr || pixels == nullptr || width <= 0 || height <= 0 || stride < width) return;
    if (w->ShadowWidth != width || w->ShadowHeight != height) {
      // A new size: the platform presents all of it, so the old shadow is not kept.
      w->Shadow.assign(std::size_t(width) * std::size_t(height), 0x00FFFFFFu);
      w->ShadowWidth = width;
      w->ShadowHeight = height;
      w->SurfaceStale = true;
    }
    Clipped_.clear();
    for (std::size_t i = 0; i < count; ++i) {
      HostRect c;
      if (!ClipRect(rects[i], width, height, c)) continue;
      const SDL_Rect r{c.x, c.y, c.width, c.height};
      for (int row = r.y; row < r.y + r.h; ++row) {
        std::memcpy(&w->Shadow[std::size_t(row) * std::size_t(width) + std::size_t(r.x)],
                    pixels + std::ptrdiff_t(row) * stride + r.x, std::size_t(r.w) * 4);
      }
      Clipped_.push_back(r);
    }
    if (w->SurfaceStale) {
      PresentAll(*w);
      return;
    }
    SDL_Surface* surface = SDL_GetWindowSurface(w->Window);
    if (surface == nullptr) return;
    std::size_t shown = 0;
    for (const SDL_Rect& r : Clipped_) {
      SDL_Rect s;
      if (!SDL_IntersectRect(&r, &surface->clip_rect, &s)) continue;
      CopyToSurface(*w, surface, s);
      Clipped_[shown++] = s;
    }
    if (shown > 0) SDL_UpdateWindowSurfaceRects(w->Window, Clipped_.data(), int(shown));
  }

  void SetCursor(const CursorShape* shape) override {
    if (shape == nullptr) {
      if (CursorShown_) SDL_ShowCursor(SDL_DISABLE);
      CursorShown_ = false;
      return;
    }
    SDL_Cursor* cursor = shape->systemArrow ? Arrow() : ColorCursor(*shape);
    if (cursor == nullptr) cursor = Arrow();
    if (cursor != nullptr && cursor != Current_) {
      SDL_SetCursor(cursor);
      Current_ = cursor;
    }
    if (!CursorShown_) SDL_ShowCursor(SDL_ENABLE);
    CursorShown_ = true;
  }

  void PointerPosition(int& x, int& y) const override {
    SDL_GetGlobalMouseState(&x, &y);
  }

  void WarpPointer(int x, int y) override {
    SDL_WarpMouseGlobal(x, y);
  }

  void CapturePointer(HostWindow window, bool captured) override {
    if (Find(window) != nullptr) SDL_CaptureMouse(captured ? SDL_TRUE : SDL_FALSE);
  }

  int DesktopScale() const override {
    const std::string resources = X11Resources();
    return XftScaleOf(resources.c_str());
  }

  HostTime Now() const override { return SteadyNow(); }

  bool NextEvent(HostEvent& event) override {
    SDL_Event e;
    while (Pending_.Empty() && SDL_PollEvent(&e) != 0) Translate(e);
    return Pending_.Pop(event);
  }

  void Wait(HostTime deadline) override {
    SDL_Event e;
    for (;;) {
      while (Pending_.Empty() && SDL_PollEvent(&e) != 0) Translate(e);
      if (!Pending_.Empty()) return;
      const bool endless = deadline == HostTime::max();
      HostTime left = HostTime::max();
      if (!endless) {
        HostTime now = Now();
        if (deadline <= now) return;  // compared first: deadline - now may not fit
        left = deadline - now;
      }
      if (XConnection_ >= 0) {
        // SDL_PollEvent has read everything the X connection held, so it is enough
        // to sleep until the server sends more, to the nanosecond of the deadline.
        // (SDL's own blocking wait wakes itself with a message to one of our
        // windows over a second connection, which kills the program when that
        // window is being destroyed.)
        pollfd x{XConnection_, POLLIN, 0};
        const timespec t = endless ? timespec{} : TimespecOf(left);
        ppoll(&x, 1, endless ? nullptr : &t, nullptr);
      } else {
        // In whole milliseconds, rounded up: a wait that ends early would make the
        // caller's timer fire early.
        int ms = -1;
        if (!endless) {
          auto up = std::chrono::ceil<std::chrono::milliseconds>(left).count();
          ms = int(std::min<std::int64_t>(up, INT_MAX));
        }
        int got = ms < 0 ? SDL_WaitEvent(&e) : SDL_WaitEventTimeout(&e, ms);
        if (got != 0) Translate(e);
      }
    }
  }

 private:
  TSdlWindow* Find(HostWindow window) { return FindWindow(Windows_, window); }
  const TSdlWindow* Find(HostWindow window) const { return FindWindow(Windows_, window); }

  // Keys typed into a popup that took the focus belong to its owner, whose menu loop
  // reads them.
  HostWindow KeyboardOwner(HostWindow window) const {
    const TSdlWindow* w = Find(window);
    return w != nullptr && w->FocusablePopup && Find(w->Owner) != nullptr ? w->Owner : window;
  }

  bool ShowsPopup(HostWindow owner) const {
    for (const auto& [id, w] : Windows_) {
      if (w.FocusablePopup && w.Owner == owner &&
          (SDL_GetWindowFlags(w.Window) & SDL_WINDOW_SHOWN) != 0) {
        return true;
      }
    }
    return false;
  }

  static bool ShapeIsSound(const CursorShape& s) {
    return s.width > 0 && s.height > 0 && s.width <= kMaxCursorSide && s.height <= kMaxCursorSide &&
           s.pixels.size() == std::size_t(s.width) * std::size_t(s.height);
  }

  // `r` lies inside both the shadow and the surface.
  static void CopyToSurface(const TSdlWindow& w, SDL_Surface* surface, const SDL_Rect& r) {
    bool locked = SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) == 0;
    if (SDL_MUSTLOCK(surface) && !locked) return;
    const std::uint32_t* src =
        w.Shadow.data() + std::size_t(r.y) * std::size_t(w.ShadowWidth) + std::size_t(r.x);
    auto* dst = static_cast<std::uint8_t*>(surface->pixels) + std::ptrdiff_t(r.y) * surface->pitch +
                std::ptrdiff_t(r.x) * surface->format->BytesPerPixel;
    SDL_ConvertPixels(r.w, r.h, SDL_PIXELFORMAT_RGB888, src, w.ShadowWidth * 4,
                      surface->format->format, dst, surface->pitch);
    if (locked) SDL_UnlockSurface(surface);
  }

  // Shows all of the shadow again, into a window surface that may be new.
  void PresentAll(TSdlWindow& w) {
    SDL_Surface* surface = SDL_GetWindowSurface(w.Window);
    if (surface == nullptr) return;
    w.SurfaceStale = false;
    if (w.ShadowWidth == 0) return;  // never presented: nothing to show yet
    SDL_Rect all{0, 0, std::min(w.ShadowWidth, surface->w), std::min(w.ShadowHeight, surface->h)};
    if (all.w > 0 && all.h > 0) CopyToSurface(w, surface, all);
    SDL_UpdateWindowSurface(w.Window);
  }

  SDL_Cursor* Arrow() {
    if (Arrow_ == nullptr) Arrow_ = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
    return Arrow_;
  }

  SDL_Cursor* ColorCursor(const CursorShape& shape) {
    if (auto it = Cursors_.find(shape.id); it != Cursors_.end()) return it->second;
    if (!ShapeIsSound(shape)) return nullptr;
    if (Cursors_.size() >= kMaxCachedCursors) DropCachedCursors();
    // Transparent pixels carry no colour: the X server blends cursors as
    // premultiplied, so a coloured pixel with alpha 0 would still show.
    std::vector<std::uint32_t> argb(shape.pixels);
    for (std::uint32_t& p : argb) {
      if ((p >> 24) == 0) p = 0;
    }
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
        argb.data(), shape.width, shape.height, 32, shape.width * 4, SDL_PIXELFORMAT_ARGB8888);
    if (surface == nullptr) return nullptr;
    int hotX = std::clamp(shape.hotX, 0, shape.width - 1);
    int hotY = std::clamp(shape.hotY, 0, shape.height - 1);
    SDL_Cursor* cursor = SDL_CreateColorCursor(surface, hotX, hotY);
    SDL_FreeSurface(surface);
    if (cursor != nullptr) Cursors_.emplace(shape.id, cursor);
    return cursor;
  }

  // Keeps the cache bounded should a program make cursors without end.
  void DropCachedCursors() {
    for (auto it = Cursors_.begin(); it != Cursors_.end();) {
      if (it->second == Current_) {
        ++it;
      } else {
        SDL_FreeCursor(it->second);
        it = Cursors_.erase(it);
      }
    }
  }

  // An SDL event's timestamp on the host's clock.
  HostTime TimeOf(Uint32 timestamp) const {
    return TicksBase_ + std::chrono::milliseconds(timestamp);
  }

  HostEvent Make(HostEventKind kind, HostWindow window, Uint32 timestamp) const {
    HostEvent e;
    e.kind = kind;
    e.window = window;
    e.time = TimeOf(timestamp);
    return e;
  }

  static unsigned Modifiers(Uint16 mod) {
    unsigned m = 0;
    if ((mod & KMOD_SHIFT) != 0) m |= kModShift;
    if ((mod & KMOD_CTRL) != 0) m |= kModCtrl;
    if ((mod & KMOD_ALT) != 0) m |= kModAlt;
    return m;
  }

  static int Button(Uint8 button) {
    switch (button) {
      case SDL_BUTTON_LEFT:
        return kButtonLeft;
      case SDL_BUTTON_MIDDLE:
        return kButtonMiddle;
      case SDL_BUTTON_RIGHT:
        return kButtonRight;
      default:
        return 0;
    }
  }

  void Translate(const SDL_Event& e) {
    switch (e.type) {
      case SDL_WINDOWEVENT:
        TranslateWindowEvent(e.window);
        break;
      case SDL_QUIT:
        // Signals and the last window's close are not SDL's business here (see the
        // hints), so this is SDL giving up on the display: on Wayland it then returns
        // from every wait at once, and the program would spin with nothing shown.
        ExitOnLostConnection("display");
      case SDL_MOUSEMOTION: {
        if (Find(e.motion.windowID) == nullptr) break;
        HostEvent h = Make(HostEventKind::PointerMove, e.motion.windowID, e.motion.timestamp);
        h.x = e.motion.x;
        h.y = e.motion.y;
        Pending_.Push(h);
        break;
      }
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP: {
        int button = Button(e.button.button);
        if (button == 0 || Find(e.button.windowID) == nullptr) break;
        HostEvent h = Make(e.type == SDL_MOUSEBUTTONDOWN ? HostEventKind::PointerPress
                                                         : HostEventKind::PointerRelease,
                           e.button.windowID, e.button.timestamp);
        h.x = e.button.x;
        h.y = e.button.y;
        h.button = button;
        Pending_.Push(h);
        break;
      }
      case SDL_KEYDOWN:
      case SDL_KEYUP: {
        unsigned key = VirtualKeyOf(e.key.keysym.sym, e.key.keysym.scancode);
        const TSdlWindow* w = Find(e.key.windowID);
        if (key == 0 || w == nullptr) break;
        // A popup that took the focus is told by SDL of the modifiers held as it took
        // it, and of their release: Alt pressed alone, to the menu loop, which then
        // closes the menu. Modifiers still come with every other key.
        if (w->FocusablePopup && key >= kFirstModifierKey && key <= kLastModifierKey) break;
        HostEvent h = Make(e.type == SDL_KEYDOWN ? HostEventKind::KeyDown : HostEventKind::KeyUp,
                           KeyboardOwner(e.key.windowID), e.key.timestamp);
        h.key = key;
        h.modifiers = Modifiers(e.key.keysym.mod);
        h.repeat = e.key.repeat != 0;
        Pending_.Push(h);
        break;
      }
      case SDL_TEXTINPUT: {
        if (Find(e.text.windowID) == nullptr) break;
        PushText(Pending_, KeyboardOwner(e.text.windowID),
                 std::string_view(e.text.text, strnlen(e.text.text, sizeof(e.text.text))),
                 TimeOf(e.text.timestamp));
        break;
      }
      default:
        break;
    }
  }

  void TranslateWindowEvent(const SDL_WindowEvent& e) {
    TSdlWindow* w = Find(e.windowID);
    if (w == nullptr) return;
    auto push = [&](HostEventKind kind) {
      HostEvent h = Make(kind, e.windowID, e.timestamp);
      Pending_.Push(h);
      return h;
    };
    switch (e.event) {
      case SDL_WINDOWEVENT_CLOSE:
        push(HostEventKind::CloseRequest);
        break;
      case SDL_WINDOWEVENT_MINIMIZED:
        push(HostEventKind::Minimized);
        break;
      case SDL_WINDOWEVENT_MAXIMIZED:
        push(HostEventKind::Maximized);
        break;
      case SDL_WINDOWEVENT_RESTORED:
        push(HostEventKind::Restored);
        break;
      case SDL_WINDOWEVENT_SIZE_CHANGED: {
        w->SurfaceStale = true;
        PresentAll(*w);
        if (e.data1 == w->Width && e.data2 == w->Height) break;
        w->Width = e.data1;
        w->Height = e.data2;
        HostEvent h = Make(HostEventKind::Resized, e.windowID, e.timestamp);
        h.width = e.data1;
        h.height = e.data2;
        Pending_.Push(h);
        break;
      }
      case SDL_WINDOWEVENT_MOVED: {
        HostEvent h = Make(HostEventKind::Moved, e.windowID, e.timestamp);
        h.x = e.data1;
        h.y = e.data2;
        Pending_.Push(h);
        break;
      }
      case SDL_WINDOWEVENT_EXPOSED: {
        PresentAll(*w);
        HostEvent h = Make(HostEventKind::Exposed, e.windowID, e.timestamp);
        h.width = w->Width;
        h.height = w->Height;
        Pending_.Push(h);
        break;
      }
      case SDL_WINDOWEVENT_FOCUS_GAINED:
        if (!w->FocusablePopup) push(HostEventKind::FocusGained);
        break;
      case SDL_WINDOWEVENT_FOCUS_LOST:
        // While a window's popup shows, the focus it took stays the window's, as where
        // popups take no focus: a menu closes when its owner loses the focus. (Where the
        // focus went is not known yet: the compositor's enter may still be unread.)
        if (!w->FocusablePopup && !ShowsPopup(e.windowID)) push(HostEventKind::FocusLost);
        break;
      case SDL_WINDOWEVENT_LEAVE:
        push(HostEventKind::PointerLeft);
        break;
      default:
        break;
    }
  }

  std::unordered_map<HostWindow, TSdlWindow> Windows_;
  std::unordered_map<std::uint64_t, SDL_Cursor*> Cursors_;
  SDL_Cursor* Arrow_ = nullptr;
  SDL_Cursor* Current_ = nullptr;
  bool CursorShown_ = true;
  THostEventQueue Pending_;
  std::vector<SDL_Rect> Clipped_;
  bool OnWayland_;
  int XConnection_ = -1;  // the X server's socket, once a window shows it is X11
  HostTime TicksBase_;    // Now() at SDL's tick 0, to date SDL's event timestamps
};

}  // namespace

std::unique_ptr<Host> MakeSdlHost(std::string& error) {
  if (g_open) {
    error = "the display is already open";
    return nullptr;
  }
  // Software framebuffer: no GL stack, a small process, and the window keeps its id.
  // (Not on Wayland, where SDL has no framebuffer of its own: see below.)
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  // The desktop entry's id as the app id, so that a Wayland desktop matches our windows
  // to the entry; SDL 2 reads it from the environment only. A user's own value wins.
  setenv("SDL_VIDEO_WAYLAND_WMCLASS", KLOP_APP_ID, 0);
  // Signals keep their usual meaning; closing is the program's business, per window.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  // A small windowed program: let the screen saver run and the compositor composite.
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
  // With no session bus advertised, SDL's D-Bus start-up would fork and exec
  // dbus-launch to find or start one (about 8 ms before the first frame); nothing here
  // needs a bus that the desktop did not give us.
  setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 0);
  // Display modes through XRandR cost round trips at start, and a windowed program
  // never changes them.
  SDL_SetHint(SDL_HINT_VIDEO_X11_XRANDR, "0");
  UseComposeCache();
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    error = SDL_GetError();
    return nullptr;
  }
  // With no display SDL falls back to drivers that show nothing; a window nobody can
  // see is a failure unless one of them was asked for by name.
  const char* driver = SDL_GetCurrentVideoDriver();
  const char* asked = std::getenv("SDL_VIDEODRIVER");
  if (driver != nullptr &&
      (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0) &&
      (asked == nullptr || std::strcmp(asked, driver) != 0)) {
    SDL_Quit();
    error = "no display to show windows on (is DISPLAY or WAYLAND_DISPLAY set?)";
    return nullptr;
  }
  const bool wayland = driver != nullptr && std::strcmp(driver, "wayland") == 0;
  if (wayland) KeepTextureFramebuffer();
  g_open = true;
  return std::make_unique<TSdlHost>(wayland);
}

}  // namespace platform
