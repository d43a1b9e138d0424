#include "platform/host/headless.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/host/window_seam.h"

namespace platform {
namespace {

// Where new windows go when the program lets the desktop place them: a cascade.
constexpr int kFirstX = 40;
constexpr int kFirstY = 30;
constexpr int kCascade = 24;

bool Inside(const HostRect& r, int x, int y) {
  return x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height;
}

// Client point (x, y) of `hwnd` on the screen; unchanged when no window is known.
POINT OnScreen(HWND hwnd, int x, int y) {
  POINT p{x, y};
  if (const TWindowSeam* s = WindowSeam()) s->clientToScreen(hwnd, p);
  return p;
}

bool HostPointOf(HWND hwnd, POINT client, HostWindow& host, POINT& surfacePoint) {
  const TWindowSeam* s = WindowSeam();
  return s != nullptr && s->hostPointOf(hwnd, client, host, surfacePoint);
}

}  // namespace

THeadlessHost::THeadlessHost() = default;

void THeadlessHost::Schedule(HostTime at, const HostEvent& e, bool atPointer) {
  TScripted s{e, atPointer};
  s.event.time = at;
  Script_.emplace(at, s);
}

void THeadlessHost::MoveAt(HostTime at, int x, int y, unsigned modifiers) {
  HostEvent e;
  e.kind = HostEventKind::PointerMove;
  e.x = x;
  e.y = y;
  e.modifiers = modifiers;
  Schedule(at, e);
}

void THeadlessHost::PressAt(HostTime at, int button, unsigned modifiers) {
  HostEvent e;
  e.kind = HostEventKind::PointerPress;
  e.button = button;
  e.modifiers = modifiers;
  Schedule(at, e, true);
}

void THeadlessHost::ReleaseAt(HostTime at, int button, unsigned modifiers) {
  HostEvent e;
  e.kind = HostEventKind::PointerRelease;
  e.button = button;
  e.modifiers = modifiers;
  Schedule(at, e, true);
}

void THeadlessHost::ClickAt(HostTime at, int x, int y) {
  MoveAt(at, x, y);
  PressAt(at);
  ReleaseAt(at);
}

void THeadlessHost::MoveToClientAt(HostTime at, HWND hwnd, int x, int y) {
  const POINT p = OnScreen(hwnd, x, y);
  MoveAt(at, p.x, p.y);
}

void THeadlessHost::ClickClientAt(HostTime at, HWND hwnd, int x, int y) {
  const POINT p = OnScreen(hwnd, x, y);
  ClickAt(at, p.x, p.y);
}

void THeadlessHost::KeyAt(HostTime at, unsigned vk, bool down, unsigned modifiers, bool repeat) {
  HostEvent e;
  e.kind = down ? HostEventKind::KeyDown : HostEventKind::KeyUp;
  e.key = vk;
  e.modifiers = modifiers;
  e.repeat = repeat;
  Schedule(at, e);
}

void THeadlessHost::TextAt(HostTime at, const std::string& utf8) {
  // One event carries at most seven bytes, as a desktop's text event would.
  for (std::size_t i = 0; i < utf8.size(); i += sizeof(HostEvent::text) - 1) {
    HostEvent e;
    e.kind = HostEventKind::Text;
    const std::size_t n = std::min(utf8.size() - i, sizeof(HostEvent::text) - 1);
    std::memcpy(e.text, utf8.data() + i, n);
    Schedule(at, e);
  }
}

void THeadlessHost::TypeAt(HostTime at, char ch) {
  // Letters, digits and space have key codes of their own value; other characters come
  // from keys this host does not name.
  unsigned vk = 0;
  unsigned mods = 0;
  if (ch >= 'a' && ch <= 'z') vk = static_cast<unsigned>(ch - 'a' + 'A');
  if (ch >= 'A' && ch <= 'Z') {
    vk = static_cast<unsigned>(ch);
    mods = kModShift;
  }
  if ((ch >= '0' && ch <= '9') || ch == ' ') vk = static_cast<unsigned>(ch);
  KeyAt(at, vk, true, mods);
  TextAt(at, std::string(1, ch));
  KeyAt(at, vk, false, mods);
}

void THeadlessHost::SystemMenuAt(HostTime at, HostWindow window) {
  HostEvent e;
  e.kind = HostEventKind::SystemMenu;
  e.window = window;
  Schedule(at, e);
}

void THeadlessHost::CloseAt(HostTime at, HostWindow window) {
  HostEvent e;
  e.kind = HostEventKind::CloseRequest;
  e.window = window;
  Schedule(at, e);
}

void THeadlessHost::MinimizeAt(HostTime at, HostWindow window) {
  HostEvent e;
  e.kind = HostEventKind::Minimized;
  e.window = window;
  Schedule(at, e);
}

void THeadlessHost::RestoreAt(HostTime at, HostWindow window) {
  HostEvent e;
  e.kind = HostEventKind::Restored;
  e.window = window;
  Schedule(at, e);
}

void THeadlessHost::ResizeAt(HostTime at, HostWindow window, int width, int height) {
  HostEvent e;
  e.kind = HostEventKind::Resized;
  e.window = window;
  e.width = width;
  e.height = height;
  Schedule(at, e);
}

void THeadlessHost::MoveWindowAt(HostTime at, HostWindow window, int x, int y) {
  HostEvent e;
  e.kind = HostEventKind::Moved;
  e.window = window;
  e.x = x;
  e.y = y;
  Schedule(at, e);
}

void THeadlessHost::ExposeAt(HostTime at, HostWindow window, const HostRect& area) {
  HostEvent e;
  e.kind = HostEventKind::Exposed;
  e.window = window;
  e.x = area.x;
  e.y = area.y;
  e.width = area.width;
  e.height = area.height;
  Schedule(at, e);
}

void THeadlessHost::FocusAt(HostTime at, HostWindow window, bool gained) {
  HostEvent e;
  e.kind = gained ? HostEventKind::FocusGained : HostEventKind::FocusLost;
  e.window = window;
  Schedule(at, e);
}

void THeadlessHost::CaptureLostAt(HostTime at, HostWindow window) {
  HostEvent e;
  e.kind = HostEventKind::CaptureLost;
  e.window = window;
  Schedule(at, e);
}

std::uint32_t THeadlessHost::PixelAt(HWND hwnd, int x, int y) const {
  std::uint32_t pixel = 0;
  const TWindowSeam* s = WindowSeam();
  return s != nullptr && s->surfacePixel(hwnd, {x, y}, pixel) ? pixel : 0xFF000000;
}

std::vector<std::uint32_t> THeadlessHost::ClientPixels(HWND hwnd, int& width, int& height) const {
  width = height = 0;
  if (const TWindowSeam* s = WindowSeam()) s->clientSize(hwnd, width, height);
  std::vector<std::uint32_t> pixels;
  pixels.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) pixels.push_back(PixelAt(hwnd, x, y));
  }
  return pixels;
}

std::uint32_t THeadlessHost::ShownPixelAt(HWND hwnd, int x, int y) const {
  HostWindow hw = 0;
  POINT p{};
  if (!HostPointOf(hwnd, {x, y}, hw, p)) return 0xFF000000;
  auto it = Windows_.find(hw);
  if (it == Windows_.end()) return 0xFF000000;
  const TWindowState& w = it->second;
  if (p.x < 0 || p.y < 0 || p.x >= w.bounds.width || p.y >= w.bounds.height) return 0xFF000000;
  return w.pixels[static_cast<std::size_t>(p.y) * static_cast<std::size_t>(w.bounds.width) +
                  static_cast<std::size_t>(p.x)];
}

HostWindow THeadlessHost::HostOf(HWND hwnd) {
  HostWindow hw = 0;
  POINT p{};
  return HostPointOf(hwnd, {0, 0}, hw, p) ? hw : 0;
}

std::vector<HostWindow> THeadlessHost::ShownPopups() const {
  std::vector<HostWindow> out;
  for (HostWindow h : Stack_) {
    const TWindowState& w = Windows_.at(h);
    if (w.asked.popup && w.show == HostShow::Normal) out.push_back(h);
  }
  return out;
}

const THeadlessHost::TWindowState* THeadlessHost::Window(HostWindow window) const {
  auto it = Windows_.find(window);
  return it == Windows_.end() ? nullptr : &it->second;
}

THeadlessHost::TWindowState* THeadlessHost::Find(HostWindow window) {
  auto it = Windows_.find(window);
  return it == Windows_.end() ? nullptr : &it->second;
}

HostWindow THeadlessHost::WindowAt(int x, int y) const {
  for (auto it = Stack_.rbegin(); it != Stack_.rend(); ++it) {
    const TWindowState& w = Windows_.at(*it);
    if (w.show != HostShow::Hidden && w.show != HostShow::Minimized && Inside(w.bounds, x, y)) {
      return *it;
    }
  }
  return 0;
}

HostWindow THeadlessHost::CreateWindow(const HostWindowSpec& asked) {
  const HostWindow id = Next_++;
  TWindowState w;
  w.asked = asked;
  w.title = asked.title;
  const int n = static_cast<int>(Windows_.size());
  w.bounds = {asked.x == kHostDefaultPosition ? kFirstX + kCascade * n : asked.x,
              asked.y == kHostDefaultPosition ? kFirstY + kCascade * n : asked.y,
              std::max(asked.width, 0), std::max(asked.height, 0)};
  w.pixels.assign(
      static_cast<std::size_t>(w.bounds.width) * static_cast<std::size_t>(w.bounds.height), 0);
  Windows_.emplace(id, std::move(w));
  Stack_.push_back(id);
  return id;
}

void THeadlessHost::DestroyWindow(HostWindow window) {
  Windows_.erase(window);
  Stack_.erase(std::remove(Stack_.begin(), Stack_.end(), window), Stack_.end());
  if (Captured_ == window) Captured_ = 0;
}

void THeadlessHost::SetTitle(HostWindow window, const std::string& title) {
  if (TWindowState* w = Find(window)) w->title = title;
}

void THeadlessHost::SetIcon(HostWindow window, const CursorShape& icon) {
  if (TWindowState* w = Find(window)) w->icon = icon;
}

void THeadlessHost::SetBounds(HostWindow window, const HostRect& bounds) {
  TWindowState* w = Find(window);
  if (w == nullptr) return;
  if (bounds.width != w->bounds.width || bounds.height != w->bounds.height) {
    w->pixels.assign(static_cast<std::size_t>(std::max(bounds.width, 0)) *
                         static_cast<std::size_t>(std::max(bounds.height, 0)),
                     0);
  }
  w->bounds = {bounds.x, bounds.y, std::max(bounds.width, 0), std::max(bounds.height, 0)};
}

HostRect THeadlessHost::Bounds(HostWindow window) const {
  const TWindowState* w = Window(window);
  return w ? w->bounds : HostRect{};
}

HostInsets THeadlessHost::Decorations(HostWindow window) const {
  // The desktop frames every window but a popup menu.
  const TWindowState* w = Window(window);
  return w != nullptr && w->asked.popup ? HostInsets{} : Insets_;
}

HostRect THeadlessHost::WorkArea() const {
  return WorkArea_;
}

void THeadlessHost::Show(HostWindow window, HostShow how) {
  if (TWindowState* w = Find(window)) w->show = how;
}

void THeadlessHost::Raise(HostWindow window) {
  TWindowState* w = Find(window);
  if (w == nullptr) return;
  ++w->raised;
  Stack_.erase(std::remove(Stack_.begin(), Stack_.end(), window), Stack_.end());
  Stack_.push_back(window);
}

void THeadlessHost::Present(HostWindow window, const std::uint32_t* pixels, int width, int height,
                            int stride, const HostRect* rects, std::size_t count) {
  TWindowState* w = Find(window);
  if (w == nullptr || pixels == nullptr) return;
  if (width != w->bounds.width || height != w->bounds.height) {
    w->bounds.width = width;
    w->bounds.height = height;
    w->pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
  }
  ++Presents_;
  for (std::size_t i = 0; i < count; ++i) {
    const HostRect& r = rects[i];
    const int x0 = std::max(r.x, 0);
    const int y0 = std::max(r.y, 0);
    const int x1 = std::min(r.x + r.width, width);
    const int y1 = std::min(r.y + r.height, height);
    if (x0 >= x1 || y0 >= y1) continue;
    ++PresentedRects_;
    for (int y = y0; y < y1; ++y) {
      std::copy_n(pixels + static_cast<std::ptrdiff_t>(y) * stride + x0, x1 - x0,
                  w->pixels.begin() + static_cast<std::ptrdiff_t>(y) * width + x0);
    }
  }
}

void THeadlessHost::SetCursor(const CursorShape* shape) {
  ++CursorChanges_;
  if (shape == nullptr) {
    Cursor_ = CursorShape{};
    CursorHidden_ = true;
    return;
  }
  Cursor_ = *shape;
  CursorHidden_ = false;
}

void THeadlessHost::PointerPosition(int& x, int& y) const {
  x = PointerX_;
  y = PointerY_;
}

void THeadlessHost::WarpPointer(int x, int y) {
  PointerX_ = x;
  PointerY_ = y;
}

void THeadlessHost::CapturePointer(HostWindow window, bool captured) {
  if (captured) {
    Captured_ = window;
  } else if (Captured_ == window || window == 0) {
    Captured_ = 0;
  }
}

bool THeadlessHost::NextEvent(HostEvent& event) {
  while (!Script_.empty() && Script_.begin()->first <= Now_) {
    TScripted s = Script_.begin()->second;
    Script_.erase(Script_.begin());
    HostEvent& e = s.event;
    switch (e.kind) {
      case HostEventKind::PointerMove:
      case HostEventKind::PointerPress:
      case HostEventKind::PointerRelease: {
        if (e.kind == HostEventKind::PointerMove) {
          PointerX_ = e.x;
          PointerY_ = e.y;
        }
        const HostWindow target = Captured_ != 0 ? Captured_ : WindowAt(PointerX_, PointerY_);
        const TWindowState* w = Window(target);
        if (w == nullptr) continue;  // over the bare desktop: nobody hears it
        e.window = target;
        e.x = PointerX_ - w->bounds.x;
        e.y = PointerY_ - w->bounds.y;
        break;
      }
      case HostEventKind::KeyDown:
      case HostEventKind::KeyUp:
      case HostEventKind::Text:
        // Keys go to the window the desktop has focused: the top of the stack, popup
        // menus aside, which take no focus.
        e.window = 0;
        for (auto it = Stack_.rbegin(); it != Stack_.rend(); ++it) {
          if (!Windows_.at(*it).asked.popup) {
            e.window = *it;
            break;
          }
        }
        break;
      case HostEventKind::Minimized:
        if (TWindowState* w = Find(e.window)) w->show = HostShow::Minimized;
        break;
      case HostEventKind::Restored:
        if (TWindowState* w = Find(e.window)) w->show = HostShow::Normal;
        break;
      case HostEventKind::Resized:
        if (TWindowState* w = Find(e.window)) {
          SetBounds(e.window, {w->bounds.x, w->bounds.y, e.width, e.height});
        }
        break;
      case HostEventKind::Moved:
        if (TWindowState* w = Find(e.window)) {
          w->bounds.x = e.x;
          w->bounds.y = e.y;
        }
        break;
      case HostEventKind::CaptureLost:
        if (Captured_ == e.window) Captured_ = 0;
        break;
      default:
        break;
    }
    if (e.window != 0 && Find(e.window) == nullptr) continue;
    event = e;
    return true;
  }
  return false;
}

void THeadlessHost::Wait(HostTime deadline) {
  ++Waits_;
  LastWait_ = deadline;
  if (!Script_.empty() && Script_.begin()->first <= Now_) return;
  if (deadline == HostTime::max() && Script_.empty()) {
    static constexpr const char* kWhy =
        "headless host: the program waits for input, and the script has no more";
    if (!RanOut_) std::fprintf(stderr, "%s\n", kWhy);
    RanOut_ = true;
    if (AbortOnRunOut_) std::abort();
    throw THeadlessRunOut(kWhy);
  }
  const HostTime next = Script_.empty() ? HostTime::max() : Script_.begin()->first;
  Now_ = std::max(Now_, std::min(next, deadline));
}

}  // namespace platform
