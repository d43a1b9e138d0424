// The Wayland host: the Host interface, and the wait on the connection.
#include "platform/host/wayland/wl_host.h"

#include <time.h>

#include <algorithm>
#include <cstdlib>

#include "platform/host/scale.h"
#include "platform/host/wayland/wl_host_internal.h"
#include "xdg-activation-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace platform::wl {

namespace {

constexpr int kMaxSide = 0x7FFF;

}  // namespace

TWaylandHost::TWaylandHost(std::unique_ptr<TConnection> c) : C_(std::move(c)), D_(C_->Display()) {
  C_->OnSeatCapabilities = [this](std::uint32_t caps) { SeatChanged(caps); };
  SeatChanged(C_->SeatCapabilities());
  // The densest output's scale, drawn pixel for pixel where whole; a fractional one is
  // rounded as the program's is (wl_output's ceiling, 2 at 1.25, halved the game).
  // A compositor before wl_surface 3 takes buffers at scale 1 only.
  Buffer_ = wl_compositor_get_version(C_->Compositor()) >= WL_SURFACE_SET_BUFFER_SCALE_SINCE_VERSION
                ? WholeScale(C_->OutputScale())
                : 1;
  if (const char* token = std::getenv("XDG_ACTIVATION_TOKEN"); token != nullptr && *token) {
    StartToken_ = token;
  }
  // Not for the programs this one starts.
  unsetenv("XDG_ACTIVATION_TOKEN");
}

TWaylandHost::~TWaylandHost() {
  for (auto& [id, w] : Windows_) {
    Unmap(*w);
    DestroySurface(*w);
  }
  Cursors_.reset();
  SeatChanged(0);
  wl_display_flush(D_);
}

void TWaylandHost::UseScale(int n) {
  if (Windows_.empty()) Scale_ = std::clamp(n, kMinScale, kMaxScale);
}

HostWindow TWaylandHost::CreateWindow(const HostWindowSpec& asked) {
  if (asked.width <= 0 || asked.height <= 0 || asked.width > kMaxSide || asked.height > kMaxSide) {
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
  w->Frame = FrameOf(*w);
  w->Bounds = {asked.x == kHostDefaultPosition ? 0 : asked.x,
               asked.y == kHostDefaultPosition ? 0 : asked.y, Whole(asked.width),
               Whole(asked.height)};
  TWindow& made = *w;
  Windows_.emplace(made.Id, std::move(w));
  return made.Id;
}

void TWaylandHost::DestroyWindow(HostWindow window) {
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
  if (TouchOn_ == window) {
    TouchOn_ = 0;
    TouchButton_.Forget();
  }
  Pending_.Forget(window);
  Windows_.erase(window);
  wl_display_flush(D_);
}

void TWaylandHost::SetTitle(HostWindow window, const std::string& title) {
  TWindow* w = Find(window);
  if (w == nullptr || w->Title == title) return;
  w->Title = title;
  if (w->Toplevel != nullptr) xdg_toplevel_set_title(w->Toplevel, title.c_str());
  RedrawCaption(*w);
}

void TWaylandHost::SetIcon(HostWindow window, const CursorShape& icon) {
  // The desktop takes its icon from the desktop entry the app id names; ours shows
  // in our own caption.
  TWindow* w = Find(window);
  if (w == nullptr) return;
  w->Icon = icon;
  RedrawCaption(*w);
}

void TWaylandHost::SetBounds(HostWindow window, const HostRect& bounds) {
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

HostRect TWaylandHost::Bounds(HostWindow window) const {
  const TWindow* w = Find(window);
  return w ? w->Bounds : HostRect{};
}

HostInsets TWaylandHost::Decorations(HostWindow window) const {
  const TWindow* w = Find(window);
  if (w != nullptr) return HostInsets{0, w->Top, 0, 0};
  // Before a window exists: what a framed one will have.
  return HostInsets{0, C_->Decorations() != nullptr ? 0 : Whole(kCaptionHeight * Scale_), 0, 0};
}

HostRect TWaylandHost::WorkArea() const {
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

void TWaylandHost::Show(HostWindow window, HostShow how) {
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
      if (!w->CanMinimize) {
        // The compositor said it cannot: the window stays, and the platform sees it so.
        Push(HostEventKind::Restored, w->Id);
        break;
      }
      if (w->Toplevel != nullptr) xdg_toplevel_set_minimized(w->Toplevel);
      w->Minimized = true;
      break;
    case HostShow::Maximized:
      if (w->Popup) break;
      if (!w->Shown)
        Map(*w, true);
      else if (w->Toplevel != nullptr)
        xdg_toplevel_set_maximized(w->Toplevel);
      break;
  }
  wl_display_flush(D_);
}

void TWaylandHost::Raise(HostWindow window) {
  if (TWindow* w = Find(window); w != nullptr && w->Toplevel != nullptr) Activate(*w);
  wl_display_flush(D_);
}

void TWaylandHost::SetCursor(const CursorShape* shape) {
  if (!Cursors_) Cursors_ = std::make_unique<TCursors>(C_->Compositor(), C_->Shm(), Buffer_);
  Cursors_->Set(shape);
  wl_display_flush(D_);
}

bool TWaylandHost::NextEvent(HostEvent& event) {
  if (Pending_.Empty()) Read();
  return Pending_.Pop(event);
}

void TWaylandHost::Wait(HostTime deadline) {
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

}  // namespace platform::wl

namespace platform {

std::unique_ptr<Host> MakeWaylandHost(std::string& error) {
  auto c = std::make_unique<wl::TConnection>();
  if (!c->Open(error)) return nullptr;
  return std::make_unique<wl::TWaylandHost>(std::move(c));
}

}  // namespace platform
