// The Wayland host.
//
// One connection, one thread. Requests are queued and flushed before each wait; events
// are read in Wait and NextEvent (prepare_read, poll to the deadline, read_events) and
// dispatched to the listeners here, which turn them into HostEvents kept until taken.
// Nothing asks the compositor for frame callbacks: the platform's own timers pace its
// drawing, each Present commits what changed, and an idle program is never woken.
//
// Coordinates are the platform's (device pixels of the scaled host above, each
// `Buffer_` x `Buffer_` of them one logical pixel of the compositor's, through
// wl_surface.set_buffer_scale: the outputs' own scale, rounded to a whole number,
// whatever the program's).
// Wayland gives clients no positions: a toplevel keeps the position the platform gave
// it, popups are placed against their parent from the platform's coordinates, and the
// pointer's position is known only over our windows.
#include "platform/host/wayland/wl_host.h"

#include <errno.h>
#include <linux/input-event-codes.h>
#include <poll.h>
#include <signal.h>
#include <time.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <unordered_map>

#include "klop_config.h"
#include "platform/host/host_events.h"
#include "platform/host/host_pixels.h"
#include "platform/host/scale.h"
#include "platform/host/wayland/wl_caption.h"
#include "platform/host/wayland/wl_connection.h"
#include "platform/host/wayland/wl_cursor.h"
#include "platform/host/wayland/wl_keyboard.h"
#include "platform/host/wayland/wl_window.h"
#include "xdg-activation-v1-client-protocol.h"
#include "xdg-decoration-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace platform::wl {

namespace {

constexpr int kMaxSide = 0x7FFF;
// A point no window and no menu is at: where a press that ended a menu is said to be.
constexpr int kNowhere = -0x100000;

TWindow* WindowOf(wl_surface* surface) {
  return surface != nullptr ? static_cast<TWindow*>(wl_surface_get_user_data(surface)) : nullptr;
}

const wl_surface_listener kSurface = {
    [](void*, wl_surface*, wl_output*) {},
    [](void*, wl_surface*, wl_output*) {},
};

}  // namespace

class TWaylandHost final : public Host {
 public:
  explicit TWaylandHost(std::unique_ptr<TConnection> c)
      : C_(std::move(c)), D_(C_->Display()) {
    C_->OnSeatCapabilities = [this](std::uint32_t caps) { SeatChanged(caps); };
    SeatChanged(C_->SeatCapabilities());
    // The densest output's scale, drawn pixel for pixel where whole; a fractional one is
    // rounded as the program's is (wl_output's ceiling, 2 at 1.25, halved the game).
    Buffer_ = WholeScale(C_->OutputScale());
    if (const char* token = std::getenv("XDG_ACTIVATION_TOKEN"); token != nullptr && *token) {
      StartToken_ = token;
    }
    // Not for the programs this one starts.
    unsetenv("XDG_ACTIVATION_TOKEN");
  }

  ~TWaylandHost() override {
    for (auto& [id, w] : Windows_) {
      Unmap(*w);
      DestroySurface(*w);
    }
    Cursors_.reset();
    SeatChanged(0);
    wl_display_flush(D_);
  }

  void UseScale(int n) override {
    if (Windows_.empty()) Scale_ = std::clamp(n, kMinScale, kMaxScale);
  }

  int DesktopScale() const override { return WholeScale(C_->OutputScale()); }

  HostWindow CreateWindow(const HostWindowSpec& asked) override {
    if (asked.width <= 0 || asked.height <= 0 || asked.width > kMaxSide ||
        asked.height > kMaxSide) {
      return 0;
    }
    auto w = std::make_unique<TWindow>();
    w->Host = this;
    w->Id = ++LastId_;
    w->Owner = Find(asked.owner) != nullptr ? asked.owner : 0;
    w->Popup = asked.popup;
    w->Dialog = asked.dialog;
    w->Resizable = asked.resizable;
    w->Title = asked.title;
    w->Top = w->Popup || C_->Decorations() != nullptr ? 0 : Whole(kCaptionHeight * Scale_);
    w->Bounds = {asked.x == kHostDefaultPosition ? 0 : asked.x,
                 asked.y == kHostDefaultPosition ? 0 : asked.y, Whole(asked.width),
                 Whole(asked.height)};
    TWindow& made = *w;
    Windows_.emplace(made.Id, std::move(w));
    return made.Id;
  }

  void DestroyWindow(HostWindow window) override {
    TWindow* w = Find(window);
    if (w == nullptr) return;
    // Popups placed on this one go first: the compositor requires it.
    for (auto& [id, o] : Windows_) {
      if (o->Shown && o->XdgPopup != nullptr && o->PlacedOn == window) Unmap(*o);
    }
    Unmap(*w);
    DestroySurface(*w);
    if (Focused_ == window) {
      Focused_ = 0;
      Keyboard_.ForgetHeldKeys();  // no key repeats into a window that went
    }
    if (PointerOver_ == window) PointerOver_ = 0;
    if (CaptionHeld_ == window) CaptionHeld_ = 0;
    Pending_.Forget(window);
    Windows_.erase(window);
    wl_display_flush(D_);
  }

  void SetTitle(HostWindow window, const std::string& title) override {
    TWindow* w = Find(window);
    if (w == nullptr || w->Title == title) return;
    w->Title = title;
    if (w->Toplevel != nullptr) xdg_toplevel_set_title(w->Toplevel, title.c_str());
    RedrawCaption(*w);
  }

  void SetIcon(HostWindow window, const CursorShape& icon) override {
    // The desktop takes its icon from the desktop entry the app id names; ours shows
    // in our own caption.
    TWindow* w = Find(window);
    if (w == nullptr) return;
    w->Icon = icon;
    RedrawCaption(*w);
  }

  void SetBounds(HostWindow window, const HostRect& bounds) override {
    TWindow* w = Find(window);
    if (w == nullptr) return;
    const bool moved = bounds.x != w->Bounds.x || bounds.y != w->Bounds.y;
    w->Bounds.x = bounds.x;
    w->Bounds.y = bounds.y;
    if (bounds.width > 0 && bounds.height > 0 && bounds.width <= kMaxSide &&
        bounds.height <= kMaxSide) {
      w->Bounds.width = Whole(bounds.width);
      w->Bounds.height = Whole(bounds.height);
      if (w->Toplevel != nullptr) SetSizeLimits(*w);
    }
    // A shown popup is moved by placing it again against its parent.
    if (moved && w->XdgPopup != nullptr) {
      Unmap(*w);
      Map(*w);
    }
  }

  HostRect Bounds(HostWindow window) const override {
    const TWindow* w = Find(window);
    return w ? w->Bounds : HostRect{};
  }

  HostInsets Decorations(HostWindow window) const override {
    const TWindow* w = Find(window);
    if (w != nullptr) return HostInsets{0, w->Top, 0, 0};
    // Before a window exists: what a framed one will have.
    return HostInsets{0, C_->Decorations() != nullptr ? 0 : Whole(kCaptionHeight * Scale_), 0, 0};
  }

  HostRect WorkArea() const override {
    for (const auto& o : C_->Outputs()) {
      if (o->LogicalWidth > 0 && o->LogicalHeight > 0) {
        return HostRect{o->LogicalX * Buffer_, o->LogicalY * Buffer_, o->LogicalWidth * Buffer_,
                        o->LogicalHeight * Buffer_};
      }
      if (o->ModeWidth > 0 && o->ModeHeight > 0) {
        const bool turned = (o->Transform & 1) != 0;
        const int w = (turned ? o->ModeHeight : o->ModeWidth) / o->Scale;
        const int h = (turned ? o->ModeWidth : o->ModeHeight) / o->Scale;
        return HostRect{0, 0, w * Buffer_, h * Buffer_};
      }
    }
    return HostRect{0, 0, 1024 * Buffer_, 768 * Buffer_};
  }

  void Show(HostWindow window, HostShow how) override {
    TWindow* w = Find(window);
    if (w == nullptr) return;
    switch (how) {
      case HostShow::Hidden:
        Unmap(*w);
        break;
      case HostShow::Normal:
        if (!w->Shown) {
          Map(*w);
        } else if (w->Maximized && w->Toplevel != nullptr) {
          xdg_toplevel_unset_maximized(w->Toplevel);
        } else if (w->Minimized) {
          Activate(*w);
        }
        break;
      case HostShow::Minimized:
        if (w->Popup) break;
        if (!w->Shown) Map(*w);
        if (w->Toplevel != nullptr) xdg_toplevel_set_minimized(w->Toplevel);
        w->Minimized = true;
        break;
      case HostShow::Maximized:
        if (w->Popup) break;
        if (!w->Shown) Map(*w, true);
        else if (w->Toplevel != nullptr) xdg_toplevel_set_maximized(w->Toplevel);
        break;
    }
    wl_display_flush(D_);
  }

  void Raise(HostWindow window) override {
    if (TWindow* w = Find(window); w != nullptr && w->Toplevel != nullptr) Activate(*w);
    wl_display_flush(D_);
  }

  void Present(HostWindow window, const std::uint32_t* pixels, int width, int height, int stride,
               const HostRect* rects, std::size_t count) override {
    TWindow* w = Find(window);
    if (w == nullptr || width <= 0 || height <= 0 || pixels == nullptr) return;
    TBuffers& b = w->Pixels;
    const bool ours = b.Owns(pixels);
    // Our own buffers at another size: they would go with a new allocation under the copy.
    if (ours && (Whole(width) != b.Width() || Whole(height) + w->Top != b.Height())) return;
    if (!Allocate(*w, width, height)) return;
    std::uint32_t* view = Drawable(*w);
    if (view == nullptr) return;
    view += std::size_t(w->Top) * std::size_t(b.Width());
    for (std::size_t i = 0; i < count; ++i) {
      HostRect r;
      if (!ClipRect(rects[i], width, height, r)) continue;
      const int x0 = r.x, y0 = r.y, x1 = r.x + r.width, y1 = r.y + r.height;
      if (pixels != view) {
        // Not the lent pixels (or lent before a present, and since shown): copied in.
        for (int y = y0; y < y1; ++y) {
          std::copy_n(pixels + std::size_t(y) * std::size_t(stride) + std::size_t(x0), x1 - x0,
                      view + std::size_t(y) * std::size_t(b.Width()) + std::size_t(x0));
        }
      }
      b.Changed({x0, y0 + w->Top, x1 - x0, y1 - y0});
    }
    // The platform asks again before it draws: this buffer may now go to the compositor.
    w->PlatformDraws = false;
    ShowChanges(*w);
  }

  std::uint32_t* WindowPixels(HostWindow window, int width, int height) override {
    TWindow* w = Find(window);
    if (w == nullptr) return nullptr;
    w->Before.Release();
    if (!Allocate(*w, width, height)) return nullptr;
    std::uint32_t* p = Drawable(*w);
    if (p == nullptr) return nullptr;
    w->PlatformDraws = true;
    return p + std::size_t(w->Top) * std::size_t(w->Pixels.Width());
  }

  void SetCursor(const CursorShape* shape) override {
    if (!Cursors_) Cursors_ = std::make_unique<TCursors>(C_->Compositor(), C_->Shm(), Buffer_);
    Cursors_->Set(shape);
    wl_display_flush(D_);
  }

  void PointerPosition(int& x, int& y) const override {
    x = PointerX_;
    y = PointerY_;
  }

  // Wayland lets no client move the pointer: it stays where the user put it, and the
  // platform (which asks this to have the cursor asked for again) sees it there.
  void WarpPointer(int, int) override {}

  // While a button is held the compositor keeps sending the pointer's events to the
  // window it was pressed in, which is all a capture is used for.
  void CapturePointer(HostWindow, bool) override {}

  HostTime Now() const override { return SteadyNow(); }

  bool NextEvent(HostEvent& event) override {
    if (Pending_.Empty()) Read();
    return Pending_.Pop(event);
  }

  void Wait(HostTime deadline) override {
    for (;;) {
      Read();
      if (!Pending_.Empty()) return;
      const HostTime now = Now();
      const HostTime until =
          std::min(deadline, Focused_ != 0 ? Keyboard_.NextRepeat() : HostTime::max());
      if (until <= now) {
        if (deadline <= now) return;
        continue;  // a repeat is due: Read makes it
      }
      const bool endless = until == HostTime::max();
      const timespec t = endless ? timespec{} : TimespecOf(until - now);
      if (ReadBlocking(endless ? nullptr : &t, [this] { return !Pending_.Empty(); })) {
        AfterDispatch();
      }
    }
  }

  // Listener entry points.
  void Configure(TWindow& w, std::uint32_t serial);
  void ToplevelConfigure(TWindow& w, int width, int height, wl_array* states);
  void PopupConfigure(TWindow& w, int x, int y);
  void PopupDone(TWindow& w);
  void CloseAsked(TWindow& w) { Push(HostEventKind::CloseRequest, w.Id); }
  void PointerEnter(std::uint32_t serial, wl_surface* surface, wl_fixed_t x, wl_fixed_t y);
  void PointerLeave(wl_surface* surface);
  void PointerMotion(wl_fixed_t x, wl_fixed_t y);
  void PointerButton(std::uint32_t serial, std::uint32_t button, std::uint32_t state);
  void KeyboardEnter(wl_surface* surface);
  void KeyboardLeave();
  void KeyboardKey(std::uint32_t serial, std::uint32_t key, std::uint32_t state);
  TKeyboard& Keys() { return Keyboard_; }
  void Activated(const char* token);

 private:
  TWindow* Find(HostWindow window) {
    auto it = Windows_.find(window);
    return it == Windows_.end() ? nullptr : it->second.get();
  }
  const TWindow* Find(HostWindow window) const {
    auto it = Windows_.find(window);
    return it == Windows_.end() ? nullptr : it->second.get();
  }
  // Sizes are whole logical pixels: a buffer must divide by its scale.
  int Whole(int n) const { return (n + Buffer_ - 1) / Buffer_ * Buffer_; }

  HostEvent& Push(HostEventKind kind, HostWindow window) {
    return Pending_.Push(kind, window, Now());
  }

  // A popup's toplevel, whose keyboard focus it shares.
  HostWindow RootOf(HostWindow window) {
    for (int depth = 0; depth < 16; ++depth) {
      TWindow* w = Find(window);
      if (w == nullptr || !w->Popup || w->Owner == 0) return window;
      window = w->Owner;
    }
    return window;
  }

  bool Allocate(TWindow& w, int width, int height);
  void Regrow(TWindow& w, int width, int height);
  // The buffer to draw in, waiting for the compositor to release one if it holds both.
  std::uint32_t* Drawable(TWindow& w);
  // Commits what changed in the window's pixels, or leaves it for a buffer's release.
  void ShowChanges(TWindow& w) {
    if (!w.Configured || w.Surface == nullptr || !w.Pixels.HasChanges()) return;
    w.Waiting = !w.Pixels.Commit(w.Surface, w.PlatformDraws);
    if (!w.Waiting) wl_display_flush(D_);
  }
  void RedrawCaption(TWindow& w);
  void Map(TWindow& w, bool maximized = false);
  void Unmap(TWindow& w);
  void DestroySurface(TWindow& w);
  void SetSizeLimits(TWindow& w);
  void Activate(TWindow& w);
  void SeatChanged(std::uint32_t caps);
  void Read();
  // One round of the read protocol: what is queued is dispatched; unless `done` then
  // holds, requests are flushed and the display slept on until `timeout` (nullptr: no
  // limit), and what came is dispatched. False when it did not sleep.
  bool ReadBlocking(const timespec* timeout, const std::function<bool()>& done);
  void AfterDispatch();
  void PushPointer(HostEventKind kind, int button);
  void PushKey(HostWindow window, const TKeyStroke& k, bool press);
  [[noreturn]] void ConnectionLost() const;

  std::unique_ptr<TConnection> C_;
  wl_display* D_;
  int Scale_ = 1;   // the program's: our caption's pixels are drawn this large
  int Buffer_ = 1;  // the surfaces' buffer scale
  HostWindow LastId_ = 0;
  std::unordered_map<HostWindow, std::unique_ptr<TWindow>> Windows_;
  THostEventQueue Pending_;
  std::vector<std::uint32_t> CaptionScratch_;
  std::unique_ptr<TCursors> Cursors_;
  wl_pointer* Pointer_ = nullptr;
  wl_keyboard* KeyboardDevice_ = nullptr;
  TKeyboard Keyboard_;
  std::uint32_t InputSerial_ = 0;  // of the last press or key, for grabs and moves
  HostWindow PointerOver_ = 0;
  int SurfaceX_ = 0, SurfaceY_ = 0;  // the pointer on PointerOver_'s buffer, caption included
  bool InCaption_ = false;
  int PointerX_ = 0, PointerY_ = 0;  // the platform's screen coordinates
  int ButtonsDown_ = 0;
  HostWindow CaptionHeld_ = 0;  // a caption box pressed, acted on at the release
  TCaptionPart CaptionPart_ = TCaptionPart::None;
  HostWindow Focused_ = 0;       // the toplevel with the keyboard
  bool FocusLeaving_ = false;    // left; gone unless an entry follows at once
  std::string StartToken_;
  HostWindow ActivateFor_ = 0;
  std::uint64_t Shows_ = 0;  // the window a token is being made for
};

namespace {

const xdg_surface_listener kXdgSurface = {
    [](void* data, xdg_surface*, std::uint32_t serial) {
      auto* w = static_cast<TWindow*>(data);
      w->Host->Configure(*w, serial);
    },
};

const xdg_toplevel_listener kToplevel = {
    [](void* data, xdg_toplevel*, std::int32_t width, std::int32_t height, wl_array* states) {
      auto* w = static_cast<TWindow*>(data);
      w->Host->ToplevelConfigure(*w, width, height, states);
    },
    [](void* data, xdg_toplevel*) {
      auto* w = static_cast<TWindow*>(data);
      w->Host->CloseAsked(*w);
    },
    [](void*, xdg_toplevel*, std::int32_t, std::int32_t) {},
    [](void*, xdg_toplevel*, wl_array*) {},
};

const xdg_popup_listener kPopup = {
    [](void* data, xdg_popup*, std::int32_t x, std::int32_t y, std::int32_t, std::int32_t) {
      auto* w = static_cast<TWindow*>(data);
      w->Host->PopupConfigure(*w, x, y);
    },
    [](void* data, xdg_popup*) {
      auto* w = static_cast<TWindow*>(data);
      w->Host->PopupDone(*w);
    },
    [](void*, xdg_popup*, std::uint32_t) {},
};

const xdg_activation_token_v1_listener kToken = {
    [](void* data, xdg_activation_token_v1* token, const char* name) {
      static_cast<TWaylandHost*>(data)->Activated(name);
      xdg_activation_token_v1_destroy(token);
    },
};

const wl_pointer_listener kPointer = {
    [](void* data, wl_pointer*, std::uint32_t serial, wl_surface* s, wl_fixed_t x, wl_fixed_t y) {
      static_cast<TWaylandHost*>(data)->PointerEnter(serial, s, x, y);
    },
    [](void* data, wl_pointer*, std::uint32_t, wl_surface* s) {
      static_cast<TWaylandHost*>(data)->PointerLeave(s);
    },
    [](void* data, wl_pointer*, std::uint32_t, wl_fixed_t x, wl_fixed_t y) {
      static_cast<TWaylandHost*>(data)->PointerMotion(x, y);
    },
    [](void* data, wl_pointer*, std::uint32_t serial, std::uint32_t, std::uint32_t button,
       std::uint32_t state) {
      static_cast<TWaylandHost*>(data)->PointerButton(serial, button, state);
    },
    [](void*, wl_pointer*, std::uint32_t, std::uint32_t, wl_fixed_t) {},
    [](void*, wl_pointer*) {},
    [](void*, wl_pointer*, std::uint32_t) {},
    [](void*, wl_pointer*, std::uint32_t, std::uint32_t) {},
    [](void*, wl_pointer*, std::uint32_t, std::int32_t) {},
    [](void*, wl_pointer*, std::uint32_t, std::int32_t) {},
};

const wl_keyboard_listener kKeyboard = {
    [](void* data, wl_keyboard*, std::uint32_t format, std::int32_t fd, std::uint32_t size) {
      if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1) {
        static_cast<TWaylandHost*>(data)->Keys().Keymap(fd, size);
      } else {
        close(fd);
      }
    },
    [](void* data, wl_keyboard*, std::uint32_t, wl_surface* s, wl_array*) {
      static_cast<TWaylandHost*>(data)->KeyboardEnter(s);
    },
    [](void* data, wl_keyboard*, std::uint32_t, wl_surface*) {
      static_cast<TWaylandHost*>(data)->KeyboardLeave();
    },
    [](void* data, wl_keyboard*, std::uint32_t serial, std::uint32_t, std::uint32_t key,
       std::uint32_t state) {
      static_cast<TWaylandHost*>(data)->KeyboardKey(serial, key, state);
    },
    [](void* data, wl_keyboard*, std::uint32_t, std::uint32_t depressed, std::uint32_t latched,
       std::uint32_t locked, std::uint32_t group) {
      static_cast<TWaylandHost*>(data)->Keys().Modifiers(depressed, latched, locked, group);
    },
    [](void* data, wl_keyboard*, std::int32_t rate, std::int32_t delay) {
      static_cast<TWaylandHost*>(data)->Keys().RepeatInfo(rate, delay);
    },
};

}  // namespace

bool TWaylandHost::Allocate(TWindow& w, int width, int height) {
  width = Whole(width);
  height = Whole(height);
  TBuffers& b = w.Pixels;
  if (!b.Empty() && b.Width() == width && b.Height() == height + w.Top) return true;
  if (!b.Make(C_->Shm(), width, height + w.Top)) return false;
  w.Bounds.width = width;
  w.Bounds.height = height;
  RedrawCaption(w);
  return true;
}

// The compositor gave the window a new size: the buffer committed with the ack must
// have it, so what the platform last gave is shown at once, the rest white as the
// platform's new pixels start. The old buffer stays lent until the platform asks anew.
void TWaylandHost::Regrow(TWindow& w, int width, int height) {
  if (w.Pixels.Empty()) return;
  TBuffers old = std::move(w.Pixels);
  if (!w.Pixels.Make(C_->Shm(), Whole(width), Whole(height) + w.Top)) {
    w.Pixels = std::move(old);
    return;
  }
  // Fresh buffers: neither is held, so one is there to draw in.
  std::uint32_t* into = w.Pixels.Draw();
  const std::uint32_t* from = old.Newest();
  const int top = w.Top;
  const int keepW = std::min(old.Width(), w.Pixels.Width());
  const int keepH = std::min(old.Height(), w.Pixels.Height()) - top;
  for (int y = 0; y < w.Pixels.Height() - top; ++y) {
    std::uint32_t* row = into + std::size_t(y + top) * std::size_t(w.Pixels.Width());
    const int kept = from != nullptr && y < keepH ? keepW : 0;
    if (kept > 0) {
      std::copy_n(from + std::size_t(y + top) * std::size_t(old.Width()), kept, row);
    }
    std::fill(row + kept, row + w.Pixels.Width(), 0xFFFFFFu);
  }
  w.Pixels.Changed({0, 0, w.Pixels.Width(), w.Pixels.Height()});
  // The buffer lent to the platform is in the first ones replaced; these new ones are
  // not lent until it asks.
  if (w.Before.Empty()) w.Before = std::move(old);
  w.PlatformDraws = false;
  RedrawCaption(w);
}

std::uint32_t* TWaylandHost::Drawable(TWindow& w) {
  // Called by the platform only, never from a listener: dispatching here is safe.
  for (;;) {
    if (std::uint32_t* p = w.Pixels.Draw()) return p;
    if (w.Pixels.Empty()) return nullptr;
    ReadBlocking(nullptr, [&w] { return w.Pixels.Draw() != nullptr; });
  }
}

void TWaylandHost::RedrawCaption(TWindow& w) {
  if (w.Top == 0 || w.Pixels.Empty()) return;
  // Also from listeners: no waiting here; drawn once the compositor releases a buffer.
  std::uint32_t* into = w.Pixels.Draw();
  w.CaptionPending = into == nullptr;
  if (into == nullptr) return;
  TCaptionLook look;
  look.Title = w.Title;
  look.Icon = w.Icon.width > 0 ? &w.Icon : nullptr;
  look.Active = w.Active;
  look.MinimizeBox = !w.Dialog;
  look.Pressed = CaptionHeld_ == w.Id ? CaptionPart_ : TCaptionPart::None;
  DrawCaption(into, w.Pixels.Width(), w.Pixels.Width(), Scale_, look,
              CaptionScratch_);
  w.Pixels.Changed({0, 0, w.Pixels.Width(), w.Top});
  ShowChanges(w);
}

void TWaylandHost::SetSizeLimits(TWindow& w) {
  const int width = w.Bounds.width / Buffer_;
  const int height = (w.Bounds.height + w.Top) / Buffer_;
  if (w.Resizable) {
    xdg_toplevel_set_min_size(w.Toplevel, std::min(width, 64), std::min(height, 32));
    xdg_toplevel_set_max_size(w.Toplevel, 0, 0);
  } else {
    xdg_toplevel_set_min_size(w.Toplevel, width, height);
    xdg_toplevel_set_max_size(w.Toplevel, width, height);
  }
}

void TWaylandHost::Map(TWindow& w, bool maximized) {
  if (w.Shown) return;
  if (w.Surface == nullptr) {
    w.Surface = wl_compositor_create_surface(C_->Compositor());
    wl_surface_add_listener(w.Surface, &kSurface, &w);
  }
  wl_surface_set_buffer_scale(w.Surface, Buffer_);
  w.XdgSurface = xdg_wm_base_get_xdg_surface(C_->Shell(), w.Surface);
  xdg_surface_add_listener(w.XdgSurface, &kXdgSurface, &w);
  if (w.Popup) {
    // Placed on the last popup shown over its toplevel, as nested grabs must be.
    HostWindow parent = RootOf(w.Id);
    std::uint64_t latest = 0;
    for (auto& [id, o] : Windows_) {
      if (o->XdgPopup != nullptr && o->ShownAt > latest && RootOf(id) == RootOf(w.Id)) {
        latest = o->ShownAt;
        parent = id;
      }
    }
    TWindow* p = Find(parent);
    if (p == nullptr || p->XdgSurface == nullptr) {
      // Nothing shown to place it on: a popup cannot be shown alone.
      xdg_surface_destroy(w.XdgSurface);
      w.XdgSurface = nullptr;
      return;
    }
    xdg_positioner* pos = xdg_wm_base_create_positioner(C_->Shell());
    const TPopupPlacement at =
        PlacePopup(w.Bounds.x, w.Bounds.y, p->Bounds.x, p->Bounds.y - p->Top, p->Bounds.width,
                   p->Bounds.height + p->Top, Buffer_);
    xdg_positioner_set_size(pos, std::max(w.Bounds.width / Buffer_, 1),
                            std::max(w.Bounds.height / Buffer_, 1));
    xdg_positioner_set_anchor_rect(pos, at.AnchorX, at.AnchorY, 1, 1);
    xdg_positioner_set_anchor(pos, XDG_POSITIONER_ANCHOR_TOP_LEFT);
    xdg_positioner_set_gravity(pos, XDG_POSITIONER_GRAVITY_BOTTOM_RIGHT);
    xdg_positioner_set_offset(pos, at.OffsetX, at.OffsetY);
    // Kept on the screen where the platform's guess of it was wrong; the position
    // the compositor chose comes back in the popup's configure.
    xdg_positioner_set_constraint_adjustment(
        pos, XDG_POSITIONER_CONSTRAINT_ADJUSTMENT_SLIDE_X |
                 XDG_POSITIONER_CONSTRAINT_ADJUSTMENT_SLIDE_Y);
    w.XdgPopup = xdg_surface_get_popup(w.XdgSurface, p->XdgSurface, pos);
    xdg_positioner_destroy(pos);
    xdg_popup_add_listener(w.XdgPopup, &kPopup, &w);
    // The menu takes the keyboard and ends when the user clicks elsewhere; a grab
    // needs the serial of the press or key that opened it.
    if (C_->Seat() != nullptr && InputSerial_ != 0) {
      xdg_popup_grab(w.XdgPopup, C_->Seat(), InputSerial_);
    }
    w.PlacedOn = parent;
  } else {
    w.Toplevel = xdg_surface_get_toplevel(w.XdgSurface);
    xdg_toplevel_add_listener(w.Toplevel, &kToplevel, &w);
    xdg_toplevel_set_title(w.Toplevel, w.Title.c_str());
    xdg_toplevel_set_app_id(w.Toplevel, KLOP_APP_ID);
    if (TWindow* o = Find(w.Owner); o != nullptr && o->Toplevel != nullptr) {
      xdg_toplevel_set_parent(w.Toplevel, o->Toplevel);
    }
    SetSizeLimits(w);
    if (maximized) xdg_toplevel_set_maximized(w.Toplevel);
    if (C_->Decorations() != nullptr) {
      w.Decoration = zxdg_decoration_manager_v1_get_toplevel_decoration(C_->Decorations(),
                                                                        w.Toplevel);
      zxdg_toplevel_decoration_v1_set_mode(w.Decoration,
                                           ZXDG_TOPLEVEL_DECORATION_V1_MODE_SERVER_SIDE);
    }
  }
  w.Shown = true;
  w.ShownAt = ++Shows_;
  w.Configured = false;
  wl_surface_commit(w.Surface);
  if (w.Toplevel != nullptr && !StartToken_.empty() && C_->Activation() != nullptr) {
    // The launcher's token, for the first window only.
    xdg_activation_v1_activate(C_->Activation(), StartToken_.c_str(), w.Surface);
    StartToken_.clear();
  }
}

void TWaylandHost::Unmap(TWindow& w) {
  if (!w.Shown) return;
  // Popups placed on it go first.
  for (auto& [id, o] : Windows_) {
    if (o->Shown && o->XdgPopup != nullptr && o->PlacedOn == w.Id) Unmap(*o);
  }
  if (w.Decoration != nullptr) zxdg_toplevel_decoration_v1_destroy(w.Decoration);
  if (w.Toplevel != nullptr) xdg_toplevel_destroy(w.Toplevel);
  if (w.XdgPopup != nullptr) xdg_popup_destroy(w.XdgPopup);
  if (w.XdgSurface != nullptr) xdg_surface_destroy(w.XdgSurface);
  w.Decoration = nullptr;
  w.Toplevel = nullptr;
  w.XdgPopup = nullptr;
  w.XdgSurface = nullptr;
  w.PlacedOn = 0;
  // The surface shows nothing until it is given a role and a buffer again.
  wl_surface_attach(w.Surface, nullptr, 0, 0);
  wl_surface_commit(w.Surface);
  w.Shown = false;
  w.Configured = false;
  w.Minimized = false;
  w.Maximized = false;
}

void TWaylandHost::DestroySurface(TWindow& w) {
  w.Pixels.Release();
  w.Before.Release();
  if (w.Surface != nullptr) wl_surface_destroy(w.Surface);
  w.Surface = nullptr;
}

void TWaylandHost::Configure(TWindow& w, std::uint32_t serial) {
  xdg_surface_ack_configure(w.XdgSurface, serial);
  const bool first = !w.Configured;
  w.Configured = true;
  if (w.Pixels.Empty()) {
    // Nothing drawn yet: the platform paints what it is asked to show.
    if (first) {
      HostEvent& e = Push(HostEventKind::Exposed, w.Id);
      e.width = w.Bounds.width;
      e.height = w.Bounds.height;
    }
    wl_surface_commit(w.Surface);
    return;
  }
  if (first && w.Pixels.Draw() != nullptr) {
    w.Pixels.Changed({0, 0, w.Pixels.Width(), w.Pixels.Height()});
  }
  if (w.Bounds.width != w.Pixels.Width() || w.Bounds.height + w.Top != w.Pixels.Height()) {
    Regrow(w, w.Bounds.width, w.Bounds.height);
  }
  const bool changes = w.Pixels.HasChanges();
  ShowChanges(w);
  // The commit after the ack is what tells the compositor its configure was applied:
  // one that syncs its scene on it (sway) would show its old one until a timeout.
  if (!changes || w.Waiting) wl_surface_commit(w.Surface);
}

void TWaylandHost::ToplevelConfigure(TWindow& w, int width, int height, wl_array* states) {
  bool maximized = false;
  bool active = false;
  const auto* s = static_cast<const std::uint32_t*>(states->data);
  for (std::size_t i = 0; i < states->size / sizeof(std::uint32_t); ++i) {
    if (s[i] == XDG_TOPLEVEL_STATE_MAXIMIZED) maximized = true;
    if (s[i] == XDG_TOPLEVEL_STATE_ACTIVATED) active = true;
  }
  if (w.Minimized && active) {
    // Wayland says nothing of minimising; coming back active is the sign of its end.
    w.Minimized = false;
    Push(HostEventKind::Restored, w.Id);
  }
  if (maximized != w.Maximized) {
    w.Maximized = maximized;
    Push(maximized ? HostEventKind::Maximized : HostEventKind::Restored, w.Id);
  }
  if (width > 0 && height > 0 && (w.Resizable || maximized)) {
    const int wide = width * Buffer_;
    const int high = std::max(height * Buffer_ - w.Top, Buffer_);
    if (wide != w.Bounds.width || high != w.Bounds.height) {
      w.Bounds.width = wide;
      w.Bounds.height = high;
      HostEvent& e = Push(HostEventKind::Resized, w.Id);
      e.width = wide;
      e.height = high;
    }
  }
  if (active != w.Active) {
    w.Active = active;
    RedrawCaption(w);
  }
}

void TWaylandHost::PopupConfigure(TWindow& w, int x, int y) {
  const TWindow* p = Find(w.PlacedOn);
  if (p == nullptr) return;
  const int px = p->Bounds.x + x * Buffer_;
  const int py = p->Bounds.y - p->Top + y * Buffer_;
  // The compositor moved it only where it had to: the platform's own position when
  // it lies in the same logical pixel.
  if (px / Buffer_ == w.Bounds.x / Buffer_ && py / Buffer_ == w.Bounds.y / Buffer_) return;
  w.Bounds.x = px;
  w.Bounds.y = py;
  HostEvent& e = Push(HostEventKind::Moved, w.Id);
  e.x = px;
  e.y = py;
}

void TWaylandHost::PopupDone(TWindow& w) {
  // The compositor closed the menu for a click elsewhere, which it kept to itself:
  // the platform sees a press nowhere, which ends a menu as such a click does.
  const HostWindow root = RootOf(w.Id);
  Unmap(w);
  HostEvent& press = Push(HostEventKind::PointerPress, root);
  press.x = press.y = kNowhere;
  press.button = kButtonLeft;
  HostEvent& release = Push(HostEventKind::PointerRelease, root);
  release.x = release.y = kNowhere;
  release.button = kButtonLeft;
}

void TWaylandHost::Activate(TWindow& w) {
  if (C_->Activation() == nullptr || w.Surface == nullptr) return;
  xdg_activation_token_v1* token = xdg_activation_v1_get_activation_token(C_->Activation());
  xdg_activation_token_v1_add_listener(token, &kToken, this);
  if (C_->Seat() != nullptr && InputSerial_ != 0) {
    xdg_activation_token_v1_set_serial(token, InputSerial_, C_->Seat());
  }
  if (TWindow* f = Find(Focused_); f != nullptr && f->Surface != nullptr) {
    xdg_activation_token_v1_set_surface(token, f->Surface);
  }
  xdg_activation_token_v1_commit(token);
  ActivateFor_ = w.Id;
}

void TWaylandHost::Activated(const char* token) {
  TWindow* w = Find(ActivateFor_);
  if (w != nullptr && w->Surface != nullptr && C_->Activation() != nullptr) {
    xdg_activation_v1_activate(C_->Activation(), token, w->Surface);
  }
  ActivateFor_ = 0;
}

void TWaylandHost::SeatChanged(std::uint32_t caps) {
  const bool pointer = (caps & WL_SEAT_CAPABILITY_POINTER) != 0 && C_->Seat() != nullptr;
  const bool keyboard = (caps & WL_SEAT_CAPABILITY_KEYBOARD) != 0 && C_->Seat() != nullptr;
  if (pointer && Pointer_ == nullptr) {
    Pointer_ = wl_seat_get_pointer(C_->Seat());
    wl_pointer_add_listener(Pointer_, &kPointer, this);
  } else if (!pointer && Pointer_ != nullptr) {
    if (Cursors_) Cursors_->Apply(nullptr, 0);
    wl_pointer_release(Pointer_);
    Pointer_ = nullptr;
    PointerOver_ = 0;
  }
  if (keyboard && KeyboardDevice_ == nullptr) {
    KeyboardDevice_ = wl_seat_get_keyboard(C_->Seat());
    wl_keyboard_add_listener(KeyboardDevice_, &kKeyboard, this);
  } else if (!keyboard && KeyboardDevice_ != nullptr) {
    wl_keyboard_release(KeyboardDevice_);
    KeyboardDevice_ = nullptr;
    Keyboard_.ForgetHeldKeys();
  }
}

void TWaylandHost::PointerEnter(std::uint32_t serial, wl_surface* surface, wl_fixed_t x,
                                wl_fixed_t y) {
  TWindow* w = WindowOf(surface);
  if (w == nullptr) return;
  if (!Cursors_) Cursors_ = std::make_unique<TCursors>(C_->Compositor(), C_->Shm(), Buffer_);
  Cursors_->Apply(Pointer_, serial);
  PointerOver_ = w->Id;
  InCaption_ = false;
  PointerMotion(x, y);
}

void TWaylandHost::PointerLeave(wl_surface* surface) {
  TWindow* w = WindowOf(surface);
  if (w != nullptr && w->Id == PointerOver_ && !InCaption_) {
    Push(HostEventKind::PointerLeft, w->Id);
  }
  PointerOver_ = 0;
  ButtonsDown_ = 0;
  if (Cursors_) Cursors_->Apply(nullptr, 0);
}

void TWaylandHost::PointerMotion(wl_fixed_t x, wl_fixed_t y) {
  TWindow* w = Find(PointerOver_);
  if (w == nullptr) return;
  SurfaceX_ = int(std::floor(wl_fixed_to_double(x) * Buffer_));
  SurfaceY_ = int(std::floor(wl_fixed_to_double(y) * Buffer_));
  PointerX_ = w->Bounds.x + SurfaceX_;
  PointerY_ = w->Bounds.y + SurfaceY_ - w->Top;
  const bool inCaption = SurfaceY_ < w->Top && ButtonsDown_ == 0;
  if (inCaption) {
    if (!InCaption_) Push(HostEventKind::PointerLeft, w->Id);
    InCaption_ = true;
    return;
  }
  InCaption_ = false;
  PushPointer(HostEventKind::PointerMove, 0);
}

void TWaylandHost::PushPointer(HostEventKind kind, int button) {
  TWindow* w = Find(PointerOver_);
  if (w == nullptr) return;
  HostEvent& e = Push(kind, w->Id);
  e.x = SurfaceX_;
  e.y = SurfaceY_ - w->Top;
  e.button = button;
  e.modifiers = Keyboard_.CurrentModifiers();
}

void TWaylandHost::PointerButton(std::uint32_t serial, std::uint32_t button, std::uint32_t state) {
  const bool press = state == WL_POINTER_BUTTON_STATE_PRESSED;
  if (press) InputSerial_ = serial;
  const int which = button == BTN_LEFT ? kButtonLeft
                    : button == BTN_MIDDLE ? kButtonMiddle
                    : button == BTN_RIGHT ? kButtonRight
                                          : 0;
  TWindow* w = Find(PointerOver_);
  if (which == 0 || w == nullptr) return;
  if (InCaption_ || CaptionHeld_ != 0) {
    const TCaptionPart part =
        CaptionPartAt(w->Pixels.Width() / Scale_, !w->Dialog, SurfaceX_ / Scale_,
                      SurfaceY_ / Scale_);
    if (press && which == kButtonLeft) {
      if (part == TCaptionPart::Title || part == TCaptionPart::Icon) {
        if (w->Toplevel != nullptr && C_->Seat() != nullptr) {
          xdg_toplevel_move(w->Toplevel, C_->Seat(), serial);
        }
      } else if (part == TCaptionPart::Minimize || part == TCaptionPart::Close) {
        CaptionHeld_ = w->Id;
        CaptionPart_ = part;
        RedrawCaption(*w);
      }
    } else if (!press && CaptionHeld_ == w->Id) {
      const TCaptionPart held = CaptionPart_;
      CaptionHeld_ = 0;
      CaptionPart_ = TCaptionPart::None;
      RedrawCaption(*w);
      if (part == held && held == TCaptionPart::Close) {
        Push(HostEventKind::CloseRequest, w->Id);
      } else if (part == held && held == TCaptionPart::Minimize && w->Toplevel != nullptr) {
        xdg_toplevel_set_minimized(w->Toplevel);
        w->Minimized = true;
        Push(HostEventKind::Minimized, w->Id);
      }
    }
    return;
  }
  ButtonsDown_ += press ? 1 : -1;
  ButtonsDown_ = std::max(ButtonsDown_, 0);
  PushPointer(press ? HostEventKind::PointerPress : HostEventKind::PointerRelease, which);
}

void TWaylandHost::KeyboardEnter(wl_surface* surface) {
  TWindow* w = WindowOf(surface);
  if (w == nullptr) return;
  const HostWindow root = RootOf(w->Id);
  FocusLeaving_ = false;
  if (root == Focused_) return;
  if (Focused_ != 0) Push(HostEventKind::FocusLost, Focused_);
  Focused_ = root;
  if (TWindow* r = Find(root); r != nullptr && r->Minimized) {
    r->Minimized = false;
    Push(HostEventKind::Restored, root);
  }
  Push(HostEventKind::FocusGained, root);
}

void TWaylandHost::KeyboardLeave() {
  Keyboard_.ForgetHeldKeys();
  // A menu taking the keyboard moves it from its toplevel to itself: the entry comes
  // in the same burst and is no change of focus.
  FocusLeaving_ = Focused_ != 0;
}

void TWaylandHost::KeyboardKey(std::uint32_t serial, std::uint32_t key, std::uint32_t state) {
  const bool press = state == WL_KEYBOARD_KEY_STATE_PRESSED;
  if (press) InputSerial_ = serial;
  if (Focused_ == 0 || FocusLeaving_) return;
  PushKey(Focused_, Keyboard_.Key(press, key, Now()), press);
}

void TWaylandHost::PushKey(HostWindow window, const TKeyStroke& k, bool press) {
  if (k.Vk != 0) {
    HostEvent& h = Push(press ? HostEventKind::KeyDown : HostEventKind::KeyUp, window);
    h.key = k.Vk;
    h.modifiers = k.Modifiers;
    h.repeat = k.Repeat;
  }
  PushText(Pending_, window, k.Text, Now());
}

void TWaylandHost::AfterDispatch() {
  if (FocusLeaving_) {
    FocusLeaving_ = false;
    if (Focused_ != 0) Push(HostEventKind::FocusLost, Focused_);
    Focused_ = 0;
  }
  TKeyStroke k;
  if (Focused_ != 0 && Keyboard_.TakeRepeat(Now(), k)) PushKey(Focused_, k, true);
  for (auto& [id, w] : Windows_) {
    if (w->CaptionPending) RedrawCaption(*w);
    if (w->Waiting) ShowChanges(*w);
  }
}

// Reads and dispatches what the connection holds, without waiting.
void TWaylandHost::Read() {
  if (wl_display_dispatch_pending(D_) < 0) ConnectionLost();
  if (wl_display_prepare_read(D_) == 0) {
    if (wl_display_flush(D_) < 0 && errno != EAGAIN) {
      wl_display_cancel_read(D_);
      ConnectionLost();
    }
    pollfd fd{wl_display_get_fd(D_), POLLIN, 0};
    if (poll(&fd, 1, 0) > 0) {
      if (wl_display_read_events(D_) < 0) ConnectionLost();
    } else {
      wl_display_cancel_read(D_);
    }
    if (wl_display_dispatch_pending(D_) < 0) ConnectionLost();
  }
  AfterDispatch();
}

bool TWaylandHost::ReadBlocking(const timespec* timeout, const std::function<bool()>& done) {
  // Events already queued are dispatched first: prepare_read refuses while any are.
  while (wl_display_prepare_read(D_) != 0) {
    if (wl_display_dispatch_pending(D_) < 0) ConnectionLost();
  }
  if (done()) {
    wl_display_cancel_read(D_);
    return false;
  }
  // Everything asked for reaches the compositor before we sleep.
  while (wl_display_flush(D_) < 0) {
    if (errno != EAGAIN) {
      wl_display_cancel_read(D_);
      ConnectionLost();
    }
    pollfd out{wl_display_get_fd(D_), POLLOUT, 0};
    ppoll(&out, 1, nullptr, nullptr);
  }
  pollfd fd{wl_display_get_fd(D_), POLLIN, 0};
  const int n = ppoll(&fd, 1, timeout, nullptr);
  if (n > 0) {
    if (wl_display_read_events(D_) < 0) ConnectionLost();
  } else {
    wl_display_cancel_read(D_);
    if (n < 0 && errno != EINTR) ConnectionLost();
  }
  if (wl_display_dispatch_pending(D_) < 0) ConnectionLost();
  return true;
}

void TWaylandHost::ConnectionLost() const {
  const int error = wl_display_get_error(D_);
  ExitOnLostConnection("Wayland compositor", std::strerror(error != 0 ? error : EPIPE));
}

}  // namespace platform::wl

namespace platform {

std::unique_ptr<Host> MakeWaylandHost(std::string& error) {
  // A write to a compositor that has gone must fail with EPIPE, which the next wait
  // turns into a message, not kill the process unheard.
  struct sigaction pipe {};
  if (sigaction(SIGPIPE, nullptr, &pipe) == 0 && pipe.sa_handler == SIG_DFL) {
    std::signal(SIGPIPE, SIG_IGN);
  }
  auto c = std::make_unique<wl::TConnection>();
  if (!c->Open(error)) return nullptr;
  return std::make_unique<wl::TWaylandHost>(std::move(c));
}

}  // namespace platform
