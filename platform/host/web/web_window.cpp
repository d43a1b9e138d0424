// The web host's windows: an element each on the page, placed where the platform puts
// them, with our caption above the frame and dialogs and a sizing border around the
// resizable frame. Minimised, a frame is a captioned bar at the page's bottom.
#include <algorithm>

#include "platform/host/web/web_host_internal.h"

namespace platform::web {

namespace {

constexpr int kBorder = 4;  // the sizing border, platform pixels

}  // namespace

HostWindow TWebHost::CreateWindow(const HostWindowSpec& asked) {
  auto w = std::make_unique<TWindow>();
  w->Id = ++LastId_;
  w->Spec = asked;
  w->Title = asked.title;
  w->Top = w->Framed() ? wl::kCaptionHeight * Scale_ : 0;
  w->Border = w->Framed() && asked.resizable ? kBorder * Scale_ : 0;
  w->Placed = asked.x != kHostDefaultPosition && asked.y != kHostDefaultPosition;
  w->Bounds = {w->Placed ? asked.x : 0, w->Placed ? asked.y : 0, std::max(asked.width, 1),
               std::max(asked.height, 1)};
  w->Restore = w->Bounds;
  klop_window_create(int(w->Id), w->Framed(), w->Border, asked.popup);
  const HostWindow id = w->Id;
  TWindow& kept = *Windows_.emplace(id, std::move(w)).first->second;
  Reshape(kept);
  Place(kept);
  return id;
}

void TWebHost::DestroyWindow(HostWindow window) {
  TWindow* w = Find(window);
  if (w == nullptr) return;
  klop_window_destroy(int(window));
  const bool focused = Focused_ == window;
  if (focused) Focused_ = 0;
  if (Captured_ == window) Captured_ = 0;
  if (Over_ == window) Over_ = 0;
  if (Held_ == window) Held_ = 0;
  if (CaptionHeld_ == window) CaptionHeld_ = 0;
  if (Dragging_ == window) Dragging_ = 0;
  Pending_.Forget(window);
  Windows_.erase(window);
  // As a desktop does, the keyboard goes to the window now on top.
  if (focused) Activate(Find(TopmostShown()));
}

void TWebHost::SetTitle(HostWindow window, const std::string& title) {
  if (TWindow* w = Find(window); w != nullptr && w->Title != title) {
    w->Title = title;
    RedrawCaption(*w);
  }
}

void TWebHost::SetIcon(HostWindow window, const CursorShape& icon) {
  if (TWindow* w = Find(window); w != nullptr) {
    w->Icon = icon;
    RedrawCaption(*w);
  }
}

void TWebHost::SetBounds(HostWindow window, const HostRect& bounds) {
  TWindow* w = Find(window);
  if (w == nullptr) return;
  if (bounds.x != kHostDefaultPosition && bounds.y != kHostDefaultPosition) {
    // Sizing a window that the page is still to place keeps it to be placed.
    if (bounds.x != w->Bounds.x || bounds.y != w->Bounds.y) w->Placed = true;
    w->Bounds.x = bounds.x;
    w->Bounds.y = bounds.y;
  }
  w->Bounds.width = std::max(bounds.width, 1);
  w->Bounds.height = std::max(bounds.height, 1);
  if (w->State != HostShow::Maximized) w->Restore = w->Bounds;
  Reshape(*w);
  Place(*w);
}

HostRect TWebHost::Bounds(HostWindow window) const {
  const TWindow* w = Find(window);
  return w != nullptr ? w->Bounds : HostRect{};
}

HostInsets TWebHost::Decorations(HostWindow window) const {
  const TWindow* w = Find(window);
  // Asked before a window exists: a resizable frame's.
  if (w == nullptr) {
    return window == 0 ? HostInsets{kBorder * Scale_, (wl::kCaptionHeight + kBorder) * Scale_,
                                    kBorder * Scale_, kBorder * Scale_}
                       : HostInsets{};
  }
  return {w->Border, w->Top + w->Border, w->Border, w->Border};
}

void TWebHost::Show(HostWindow window, HostShow how) {
  TWindow* w = Find(window);
  if (w == nullptr) return;
  if (how == HostShow::Minimized) {
    if (w->State == HostShow::Hidden) w->State = HostShow::Normal;
    Minimize(*w);
    return;
  }
  const HostShow was = w->State;
  if (was == HostShow::Minimized) ShowBar(*w, false);
  if (how == HostShow::Hidden) {
    w->State = HostShow::Hidden;
    klop_window_show(int(w->Id), 0, w->Z);
    if (Over_ == window) Over_ = 0;
    if (Focused_ == window) {
      Focused_ = 0;
      Activate(Find(TopmostShown()));
    }
    return;
  }
  if (!w->Placed && was == HostShow::Hidden) {
    // The frame starts in the page's middle; what the platform places keeps its place.
    const HostInsets in = Decorations(window);
    const int outerW = w->Bounds.width + in.left + in.right;
    const int outerH = w->Bounds.height + in.top + in.bottom;
    MoveTo(*w, std::max((PageWidth_ - outerW) / 2, 0) + in.left,
           std::max((PageHeight_ - outerH) / 2, 0) + in.top);
    w->Placed = true;
  }
  if (how == HostShow::Maximized) {
    w->State = HostShow::Normal;
    Maximize(*w, true);
  } else if (was == HostShow::Maximized) {
    Maximize(*w, false);
  } else {
    w->State = HostShow::Normal;
  }
  if (!w->Seen) {
    w->Seen = true;
    PaintCaption(*w);
    PutAll(*w);
  }
  w->Z = ++LastZ_;
  klop_window_show(int(w->Id), 1, w->Z);
  if (!w->Spec.popup && (was == HostShow::Hidden || was == HostShow::Minimized)) Activate(w);
}

void TWebHost::Raise(HostWindow window) {
  TWindow* w = Find(window);
  if (w == nullptr || !w->Shown()) return;
  w->Z = ++LastZ_;
  klop_window_show(int(w->Id), 1, w->Z);
}

void TWebHost::Place(TWindow& w) {
  klop_window_place(int(w.Id), w.Bounds.x, w.Bounds.y, w.Bounds.width, w.Bounds.height + w.Top,
                    w.Top);
}

void TWebHost::MoveTo(TWindow& w, int x, int y) {
  if (x == w.Bounds.x && y == w.Bounds.y) return;
  PushMoved(Pending_, w.Id, w.Bounds, x, y, Now());
  if (w.State != HostShow::Maximized) w.Restore = w.Bounds;
  Place(w);
}

void TWebHost::Resize(TWindow& w, int width, int height) {
  width = std::max(width, 1);
  height = std::max(height, 1);
  if (width == w.Bounds.width && height == w.Bounds.height) return;
  w.Bounds.width = width;
  w.Bounds.height = height;
  Reshape(w);
  Place(w);
  HostEvent& e = Push(HostEventKind::Resized, w.Id);
  e.width = width;
  e.height = height;
}

// Maximised, the frame fills the page; restored, it takes back its bounds.
void TWebHost::Maximize(TWindow& w, bool on) {
  if (!w.Spec.resizable) return;
  const HostInsets in = Decorations(w.Id);
  if (on) {
    if (w.State != HostShow::Maximized) w.Restore = w.Bounds;
    w.State = HostShow::Maximized;
    const HostRect r = w.Restore;
    Resize(w, PageWidth_ - in.left - in.right, PageHeight_ - in.top - in.bottom);
    MoveTo(w, in.left, in.top);
    w.Restore = r;
    Push(HostEventKind::Maximized, w.Id);
  } else if (w.State == HostShow::Maximized) {
    w.State = HostShow::Normal;
    const HostRect r = w.Restore;
    Resize(w, r.width, r.height);
    MoveTo(w, r.x, r.y);
    Push(HostEventKind::Restored, w.Id);
  }
}

void TWebHost::Minimize(TWindow& w) {
  if (w.State == HostShow::Minimized || w.State == HostShow::Hidden) return;
  if (w.State == HostShow::Maximized) Maximize(w, false);
  w.State = HostShow::Minimized;
  klop_window_show(int(w.Id), 0, w.Z);
  ShowBar(w, true);
  if (Over_ == w.Id) Over_ = 0;
  if (Focused_ == w.Id) {
    Push(HostEventKind::FocusLost, w.Id);
    Focused_ = 0;
  }
}

// The keyboard goes to `w` (a frame or dialog; null: to none).
void TWebHost::Activate(TWindow* w) {
  const HostWindow id = w != nullptr ? w->Id : 0;
  if (id == Focused_) return;
  if (Focused_ != 0) Push(HostEventKind::FocusLost, Focused_);
  Focused_ = id;
  if (id != 0 && PageFocused_) Push(HostEventKind::FocusGained, id);
  for (auto& [other, o] : Windows_) {
    if (o->Framed() && o->Shown()) RedrawCaption(*o);
  }
}

HostWindow TWebHost::TopmostShown() const {
  HostWindow top = 0;
  int z = -1;
  for (const auto& [id, w] : Windows_) {
    if (w->Shown() && !w->Spec.popup && w->Z > z) {
      z = w->Z;
      top = id;
    }
  }
  return top;
}

}  // namespace platform::web
