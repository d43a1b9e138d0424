#include "platform/host/wayland/wl_window.h"

#include <algorithm>

#include "klop_config.h"
#include "platform/host/wayland/wl_host_internal.h"
#include "xdg-activation-v1-client-protocol.h"
#include "xdg-decoration-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace platform::wl {

namespace {

// Rounds towards minus infinity, as a device pixel anywhere in a block is on that block.
int FloorDiv(int a, int b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

}  // namespace

TPopupPlacement PlacePopup(int popupX, int popupY, int parentOriginX, int parentOriginY,
                           int parentWidth, int parentHeight, int scale) {
  scale = std::max(scale, 1);
  const int x = FloorDiv(popupX - parentOriginX, scale);
  const int y = FloorDiv(popupY - parentOriginY, scale);
  const int w = std::max(parentWidth / scale, 1);
  const int h = std::max(parentHeight / scale, 1);
  // The anchor must lie inside the parent; what lies beyond goes into the offset.
  TPopupPlacement p;
  p.AnchorX = std::clamp(x, 0, w - 1);
  p.AnchorY = std::clamp(y, 0, h - 1);
  p.OffsetX = x - p.AnchorX;
  p.OffsetY = y - p.AnchorY;
  return p;
}

// The host's side of its windows: surfaces given a role when shown and taken it when
// hidden, and what the compositor configures.

namespace {

// A point no window and no menu is at: where a press that ended a menu is said to be.
constexpr int kNowhere = -0x100000;

const wl_surface_listener kSurface = {
    [](void* data, wl_surface*, wl_output* output) {
      auto* w = static_cast<TWindow*>(data);
      w->Host->SurfaceOutput(*w, output, true);
    },
    [](void* data, wl_surface*, wl_output* output) {
      auto* w = static_cast<TWindow*>(data);
      w->Host->SurfaceOutput(*w, output, false);
    },
};

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
    [](void* data, xdg_toplevel*, wl_array* capabilities) {
      auto* w = static_cast<TWindow*>(data);
      w->Host->Capabilities(*w, capabilities);
    },
};

const zxdg_toplevel_decoration_v1_listener kDecoration = {
    [](void* data, zxdg_toplevel_decoration_v1*, std::uint32_t mode) {
      auto* w = static_cast<TWindow*>(data);
      w->Host->DecorationMode(*w, mode);
    },
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

}  // namespace

HostWindow TWaylandHost::RootOf(HostWindow window) {
  for (int depth = 0; depth < 16; ++depth) {
    TWindow* w = Find(window);
    if (w == nullptr || !w->Popup || w->Owner == 0) return window;
    window = w->Owner;
  }
  return window;
}

void TWaylandHost::SetSizeLimits(TWindow& w) {
  const int width = w.Bounds.width / Buffer_;
  const int height = (w.Bounds.height + w.Top) / Buffer_;
  if (w.Resizable) {
    // The sizing frame counts in the window's geometry; our caption keeps room for its
    // icon, its three boxes and a box of title.
    const int frame = 2 * w.Frame / Buffer_;
    const int caption = w.Top > 0 ? 5 * (kCaptionHeight - 1) * Scale_ / Buffer_ : 0;
    xdg_toplevel_set_min_size(w.Toplevel, std::max(std::min(width, 64), caption) + frame,
                              std::min(height, 32) + frame);
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
  SetBufferScale(w.Surface, Buffer_ * w.Zoom);
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
    // Against the parent's window geometry: its sizing frame included.
    const int f = p->ShownFrame();
    const TPopupPlacement at =
        PlacePopup(w.Bounds.x, w.Bounds.y, p->Bounds.x - f, p->Bounds.y - p->Top - f,
                   p->Bounds.width + 2 * f, p->Bounds.height + p->Top + 2 * f, Buffer_);
    xdg_positioner_set_size(pos, std::max(w.Bounds.width / Buffer_, 1),
                            std::max(w.Bounds.height / Buffer_, 1));
    xdg_positioner_set_anchor_rect(pos, at.AnchorX, at.AnchorY, 1, 1);
    xdg_positioner_set_anchor(pos, XDG_POSITIONER_ANCHOR_TOP_LEFT);
    xdg_positioner_set_gravity(pos, XDG_POSITIONER_GRAVITY_BOTTOM_RIGHT);
    xdg_positioner_set_offset(pos, at.OffsetX, at.OffsetY);
    // Kept on the screen where the platform's guess of it was wrong; the position
    // the compositor chose comes back in the popup's configure.
    xdg_positioner_set_constraint_adjustment(pos, XDG_POSITIONER_CONSTRAINT_ADJUSTMENT_SLIDE_X |
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
      w.Decoration =
          zxdg_decoration_manager_v1_get_toplevel_decoration(C_->Decorations(), w.Toplevel);
      zxdg_toplevel_decoration_v1_add_listener(w.Decoration, &kDecoration, &w);
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
  w.On.clear();
  if (w.FrameCallback != nullptr) wl_callback_destroy(w.FrameCallback);
  w.FrameCallback = nullptr;
  // The surface shows nothing until it is given a role and a buffer again.
  wl_surface_attach(w.Surface, nullptr, 0, 0);
  wl_surface_commit(w.Surface);
  w.Shown = false;
  w.Configured = false;
  w.Minimized = false;
  w.Maximized = false;
}

void TWaylandHost::DestroySurface(TWindow& w) {
  if (w.FrameCallback != nullptr) wl_callback_destroy(w.FrameCallback);
  w.FrameCallback = nullptr;
  DestroyFrame(w);
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
  // Not while the platform waits for a buffer to draw in at the size it asked: it asks
  // again at the new size once it has seen the Resized event.
  if (!Lending_ && (w.Bounds.width * w.Zoom != w.Pixels.Width() ||
                    (w.Bounds.height + w.Top) * w.Zoom != w.Pixels.Height())) {
    Regrow(w, w.Bounds.width, w.Bounds.height);
  }
  PlaceFrame(w);
  const bool changes = w.Pixels.HasChanges();
  ShowChanges(w, true);
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
  const bool redraw = maximized != w.Maximized || active != w.Active;
  if (maximized != w.Maximized) {
    w.Maximized = maximized;
    Push(maximized ? HostEventKind::Maximized : HostEventKind::Restored, w.Id);
  }
  if (width > 0 && height > 0 && (w.Resizable || maximized)) {
    // The size is the window geometry's, which holds the sizing frame unless maximised.
    const int frame = maximized ? 0 : 2 * w.Frame;
    const int wide = std::max(width * Buffer_ - frame, Buffer_);
    const int high = std::max(height * Buffer_ - w.Top - frame, Buffer_);
    if (wide != w.Bounds.width || high != w.Bounds.height) {
      w.Bounds.width = wide;
      w.Bounds.height = high;
      HostEvent& e = Push(HostEventKind::Resized, w.Id);
      e.width = wide;
      e.height = high;
    }
  }
  w.Active = active;
  // The caption's colour and its maximise box's picture follow what is configured.
  if (redraw) RedrawCaption(w);
}

void TWaylandHost::PopupConfigure(TWindow& w, int x, int y) {
  const TWindow* p = Find(w.PlacedOn);
  if (p == nullptr) return;
  const int f = p->ShownFrame();
  const int px = p->Bounds.x - f + x * Buffer_;
  const int py = p->Bounds.y - p->Top - f + y * Buffer_;
  // The compositor moved it only where it had to: the platform's own position when
  // it lies in the same logical pixel.
  if (px / Buffer_ == w.Bounds.x / Buffer_ && py / Buffer_ == w.Bounds.y / Buffer_) return;
  PushMoved(Pending_, w.Id, w.Bounds, px, py, Now());
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

void TWaylandHost::SurfaceOutput(TWindow& w, wl_output* output, bool entered) {
  std::erase(w.On, output);
  if (entered) w.On.push_back(output);
  // The buffer follows the densest output the window is on, where that scale is a
  // whole multiple of the one the program laid itself out for at start.
  int scale = 0;
  for (const auto& o : C_->Outputs()) {
    if (std::find(w.On.begin(), w.On.end(), o->Output) != w.On.end()) {
      scale = std::max(scale, WholeScale(TConnection::ScaleOf(*o)));
    }
  }
  const bool scales = wl_surface_get_version(w.Surface) >= WL_SURFACE_SET_BUFFER_SCALE_SINCE_VERSION;
  const int zoom = scales && scale > Buffer_ && scale % Buffer_ == 0 ? scale / Buffer_ : 1;
  if (scale == 0 || zoom == w.Zoom) return;
  w.Zoom = zoom;
  RemakeBuffers(w);
}

void TWaylandHost::RemakeBuffers(TWindow& w) {
  if (w.Pixels.Empty()) return;
  // Made again at the next drawing, all of it drawn anew; what is lent stays until then.
  if (w.Before.Empty()) w.Before = std::move(w.Pixels);
  w.Pixels.Release();
  w.PlatformDraws = false;
  HostEvent& e = Push(HostEventKind::Exposed, w.Id);
  e.width = w.Bounds.width;
  e.height = w.Bounds.height;
}

void TWaylandHost::Capabilities(TWindow& w, wl_array* capabilities) {
  const auto* c = static_cast<const std::uint32_t*>(capabilities->data);
  const std::size_t n = capabilities->size / sizeof(std::uint32_t);
  const bool could = w.CanMinimize;
  const auto minimize = std::uint32_t(XDG_TOPLEVEL_WM_CAPABILITIES_MINIMIZE);
  w.CanMinimize = std::find(c, c + n, minimize) != c + n;
  if (could != w.CanMinimize) RedrawCaption(w);
}

void TWaylandHost::DecorationMode(TWindow& w, std::uint32_t mode) {
  // Our own caption wherever the compositor will not draw one.
  const int top =
      mode == ZXDG_TOPLEVEL_DECORATION_V1_MODE_SERVER_SIDE ? 0 : Whole(kCaptionHeight * Scale_);
  if (top == w.Top) return;
  w.Top = top;
  // The sizing frame comes and goes with our caption.
  if (const int frame = FrameOf(w); frame != w.Frame) {
    DestroyFrame(w);
    w.Frame = frame;
    if (frame == 0 && w.XdgSurface != nullptr) {
      xdg_surface_set_window_geometry(w.XdgSurface, 0, 0, w.Bounds.width / Buffer_,
                                      w.Bounds.height / Buffer_);
    }
  }
  if (w.Toplevel != nullptr) SetSizeLimits(w);
  RemakeBuffers(w);
  // The platform reads the frame's insets again.
  PushMoved(Pending_, w.Id, w.Bounds, w.Bounds.x, w.Bounds.y, Now());
}

void TWaylandHost::Activate(TWindow& w) {
  // A token is honoured only for the user's last input in our focused window; asked
  // without them, a compositor marks the window as wanting attention instead.
  TWindow* f = Find(Focused_);
  if (C_->Activation() == nullptr || w.Surface == nullptr || C_->Seat() == nullptr ||
      InputSerial_ == 0 || f == nullptr || f->Surface == nullptr) {
    return;
  }
  xdg_activation_token_v1* token = xdg_activation_v1_get_activation_token(C_->Activation());
  xdg_activation_token_v1_add_listener(token, &kToken, this);
  xdg_activation_token_v1_set_serial(token, InputSerial_, C_->Seat());
  xdg_activation_token_v1_set_surface(token, f->Surface);
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

}  // namespace platform::wl
