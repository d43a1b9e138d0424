// Our own caption's and sizing frame's behaviour, where the compositor draws no
// decorations: the frame as a subsurface below the window's surface, the caption's
// parts acting on a press and release, and the pointer's shapes over both.
#include <cstdlib>

#include "platform/host/wayland/wl_host_internal.h"
#include "platform/window/window.h"
#include "xdg-shell-client-protocol.h"

namespace platform::wl {

int TWaylandHost::FrameOf(const TWindow& w) const {
  // Dialogs are not sized by the user: a sizing frame only around a resizable frame
  // whose caption is ours.
  return w.Top > 0 && w.Resizable && !w.Dialog && C_->Subcompositor() != nullptr
             ? Whole(kFrame * Scale_)
             : 0;
}

void TWaylandHost::PlaceFrame(TWindow& w) {
  if (w.Frame == 0 || w.XdgSurface == nullptr || w.Pixels.Empty() ||
      C_->Subcompositor() == nullptr) {
    return;
  }
  const int f = w.Frame / Buffer_;
  if (w.Maximized) {
    // A maximised window fills the work area without one.
    if (w.FrameShown) {
      wl_surface_attach(w.FrameSurface, nullptr, 0, 0);
      wl_surface_commit(w.FrameSurface);
      w.FrameShown = false;
    }
    xdg_surface_set_window_geometry(w.XdgSurface, 0, 0, w.Pixels.Width() / Buffer_,
                                    w.Pixels.Height() / Buffer_);
    return;
  }
  const int width = w.Pixels.Width() + 2 * w.Frame;
  const int height = w.Pixels.Height() + 2 * w.Frame;
  if (w.FrameSurface == nullptr) {
    w.FrameSurface = wl_compositor_create_surface(C_->Compositor());
    wl_surface_set_user_data(w.FrameSurface, &w);
    w.FrameSub = wl_subcompositor_get_subsurface(C_->Subcompositor(), w.FrameSurface, w.Surface);
    wl_subsurface_place_below(w.FrameSub, w.Surface);
    wl_subsurface_set_position(w.FrameSub, -f, -f);
  }
  const bool resized = w.FramePixels.Width() != width || w.FramePixels.Height() != height;
  if (resized || !w.FrameShown) {
    if (resized && !w.FramePixels.Make(C_->Shm(), width, height)) return;
    if (std::uint32_t* p = w.FramePixels.Draw(); p != nullptr) {
      DrawFrame(p, width, height, w.Frame, Scale_);
      w.FramePixels.Changed({0, 0, width, height});
      SetBufferScale(w.FrameSurface, Buffer_);
      // Shown with the window's next commit: the subsurface is synchronised.
      w.FramePixels.Commit(w.FrameSurface, false);
      w.FrameShown = true;
    }
  }
  xdg_surface_set_window_geometry(w.XdgSurface, -f, -f, width / Buffer_, height / Buffer_);
}

void TWaylandHost::DestroyFrame(TWindow& w) {
  w.FramePixels.Release();
  if (w.FrameSub != nullptr) wl_subsurface_destroy(w.FrameSub);
  if (w.FrameSurface != nullptr) wl_surface_destroy(w.FrameSurface);
  w.FrameSub = nullptr;
  w.FrameSurface = nullptr;
  w.FrameShown = false;
}

TCaptionPart TWaylandHost::CaptionPartOf(const TWindow& w, int x, int y) const {
  return CaptionPartAt(w.Bounds.width / Scale_, CaptionBoxesOf(w), x / Scale_, y / Scale_);
}

void TWaylandHost::CaptionPress(TWindow& w, std::uint32_t serial, std::uint32_t time, int x,
                                int y, bool touch) {
  const TCaptionPart part = CaptionPartOf(w, x, y);
  if (part == TCaptionPart::Icon) {
    // The icon opens the system menu, which the platform draws as its own popup.
    CaptionClickOn_ = 0;
    Push(HostEventKind::SystemMenu, w.Id);
    return;
  }
  if (part == TCaptionPart::Title) {
    // Two presses on the title in the double-click's time and place: maximise or restore.
    const bool twice = CaptionClickOn_ == w.Id &&
                       time - CaptionClickTime_ < GetDoubleClickTime() && NearCaptionClick(x, y);
    CaptionClickOn_ = twice ? 0 : w.Id;
    CaptionClickTime_ = time;
    CaptionClickX_ = x;
    CaptionClickY_ = y;
    if (w.Toplevel == nullptr) return;
    if (twice && !w.Dialog && w.Resizable) {
      ToggleMaximized(w);
    } else if (touch) {
      if (C_->Seat() != nullptr) xdg_toplevel_move(w.Toplevel, C_->Seat(), serial);
    } else {
      CaptionMoveOn_ = w.Id;
      CaptionMoveSerial_ = serial;
    }
    return;
  }
  CaptionClickOn_ = 0;
  if (part == TCaptionPart::None) return;
  // A box acts at the release over it, drawn pushed in meanwhile.
  CaptionHeld_ = w.Id;
  CaptionPart_ = part;
  RedrawCaption(w);
}

bool TWaylandHost::NearCaptionClick(int x, int y) const {
  const int near = 2 * Scale_;  // the platform's double-click box, 4 pixels across
  return std::abs(x - CaptionClickX_) < near && std::abs(y - CaptionClickY_) < near;
}

bool TWaylandHost::CaptionDrag(TWindow& w) {
  if (CaptionMoveOn_ != w.Id) return false;
  if (NearCaptionClick(SurfaceX_, SurfaceY_)) return true;
  CaptionMoveOn_ = 0;
  CaptionClickOn_ = 0;
  if (w.Toplevel != nullptr && C_->Seat() != nullptr) {
    xdg_toplevel_move(w.Toplevel, C_->Seat(), CaptionMoveSerial_);
  }
  return true;
}

TCaptionPart TWaylandHost::LetGoOfCaptionBox() {
  const TCaptionPart held = CaptionPart_;
  TWindow* w = Find(CaptionHeld_);
  CaptionHeld_ = 0;
  CaptionPart_ = TCaptionPart::None;
  if (w != nullptr) RedrawCaption(*w);
  return held;
}

void TWaylandHost::ToggleMaximized(TWindow& w) {
  // The maximise box's picture follows the state the compositor then configures.
  if (w.Maximized) {
    xdg_toplevel_unset_maximized(w.Toplevel);
  } else {
    xdg_toplevel_set_maximized(w.Toplevel);
  }
}

void TWaylandHost::CaptionRelease(TWindow& w, int x, int y) {
  CaptionMoveOn_ = 0;
  if (CaptionHeld_ != w.Id) return;
  const TCaptionPart held = LetGoOfCaptionBox();
  if (CaptionPartOf(w, x, y) != held || w.Toplevel == nullptr) return;
  switch (held) {
    case TCaptionPart::Close:
      Push(HostEventKind::CloseRequest, w.Id);
      break;
    case TCaptionPart::Minimize:
      xdg_toplevel_set_minimized(w.Toplevel);
      w.Minimized = true;
      Push(HostEventKind::Minimized, w.Id);
      break;
    case TCaptionPart::Maximize:
      ToggleMaximized(w);
      break;
    default:
      break;
  }
}

void TWaylandHost::BeginMoveOrSize(HostWindow window, bool size) {
  // Wayland moves and sizes a window only from a press: the next one on it does.
  TWindow* w = Find(window);
  if (w == nullptr || w->Toplevel == nullptr || w->Maximized || (size && w->Frame == 0)) return;
  MoveSizeArmed_ = window;
  MoveSizeEdges_ = size ? 10 : 0;  // sized by its bottom-right corner
  FrameCursor(size ? 10 : TCursors::kPlatform);
}

bool TWaylandHost::TakeMoveOrSize(TWindow& w, std::uint32_t serial) {
  if (MoveSizeArmed_ == 0) return false;
  const bool mine = MoveSizeArmed_ == w.Id;
  const int edges = MoveSizeEdges_;
  MoveSizeArmed_ = 0;
  FrameCursor(TCursors::kPlatform);
  if (!mine || w.Toplevel == nullptr || C_->Seat() == nullptr) return false;
  if (edges != 0) {
    xdg_toplevel_resize(w.Toplevel, C_->Seat(), serial, std::uint32_t(edges));
  } else {
    xdg_toplevel_move(w.Toplevel, C_->Seat(), serial);
  }
  return true;
}

int TWaylandHost::FrameEdgesOf(const TWindow& w, int x, int y) const {
  return FrameEdgesAt(w.FramePixels.Width(), w.FramePixels.Height(), w.Frame,
                      kFrameCorner * Scale_, x, y);
}

void TWaylandHost::ResizeFrom(TWindow& w, std::uint32_t serial, int x, int y) {
  const int edges = FrameEdgesOf(w, x, y);
  if (edges != 0 && w.Toplevel != nullptr && C_->Seat() != nullptr) {
    xdg_toplevel_resize(w.Toplevel, C_->Seat(), serial, std::uint32_t(edges));
  }
}

void TWaylandHost::FrameCursor(int which) {
  if (Cursors_) Cursors_->Override(which);
}

}  // namespace platform::wl
