// A top-level window on Wayland: its wl_surface, and while shown the xdg_surface with
// its role (an xdg_toplevel for frames and dialogs, an xdg_popup for menus), with the
// position the platform gave it kept here, as Wayland tells clients no positions.
#pragma once

#include <wayland-client.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/host/host.h"
#include "platform/host/wayland/wl_buffers.h"
#include "platform/host/wayland/wl_caption.h"

struct xdg_surface;
struct xdg_toplevel;
struct xdg_popup;
struct zxdg_toplevel_decoration_v1;

namespace platform::wl {

class TWaylandHost;

struct TWindow {
  TWaylandHost* Host = nullptr;
  HostWindow Id = 0;
  HostWindow Owner = 0;
  bool Popup = false;
  bool Dialog = false;
  bool Resizable = false;
  std::string Title;
  CursorShape Icon;
  HostRect Bounds;  // the platform's surface, in the platform's screen coordinates
  int Top = 0;      // rows of our own caption above it (device pixels), 0 for none
  wl_surface* Surface = nullptr;
  xdg_surface* XdgSurface = nullptr;
  xdg_toplevel* Toplevel = nullptr;
  xdg_popup* XdgPopup = nullptr;
  zxdg_toplevel_decoration_v1* Decoration = nullptr;
  HostWindow PlacedOn = 0;  // a shown popup's parent surface
  std::uint64_t ShownAt = 0;  // order of showing, for the last shown popup
  bool Shown = false;
  bool Configured = false;  // the first configure was answered: buffers may be attached
  bool Minimized = false;
  bool Maximized = false;
  bool Active = false;
  bool CanMinimize = true;  // false where the compositor says it cannot (wm_capabilities)
  // Buffer pixels a side per platform pixel: more than 1 on an output denser than the one
  // the program laid itself out for (whose pixels are then drawn this large).
  int Zoom = 1;
  std::vector<wl_output*> On;  // the outputs the compositor says the window is on
  bool Waiting = false;  // changes wait for the compositor to release a buffer or ask
  wl_callback* FrameCallback = nullptr;  // until done, the compositor has not asked for more
  bool CaptionPending = false;  // our caption waits for a buffer to be drawn in
  bool PlatformDraws = false;   // lent to the platform, which may draw until it presents
  TBuffers Pixels;  // Top + Bounds.height rows of Bounds.width
  // What Pixels were when the compositor resized the window: the platform may still
  // draw in the view it was lent until it asks for one of the new size.
  TBuffers Before;
  // The sizing frame around a resizable window with our caption: a subsurface below the
  // window's, `Frame` device pixels wider on each side, shown while not maximised.
  int Frame = 0;
  wl_surface* FrameSurface = nullptr;
  wl_subsurface* FrameSub = nullptr;
  TBuffers FramePixels;
  bool FrameShown = false;
  // The frame's thickness where it shows (popups are placed against it), else 0.
  int ShownFrame() const { return FrameShown ? Frame : 0; }
};

// What its caption offers: a dialog is only closed, a fixed-size frame not maximised.
inline TCaptionBoxes CaptionBoxesOf(const TWindow& w) {
  if (w.Dialog) return TCaptionBoxes::Close;
  if (w.Resizable) return w.CanMinimize ? TCaptionBoxes::All : TCaptionBoxes::MaximizeClose;
  return w.CanMinimize ? TCaptionBoxes::MinimizeClose : TCaptionBoxes::Close;
}

// Where an xdg_positioner puts a popup: an anchor rectangle of one pixel inside the
// parent's window geometry, and the offset of the popup's top-left corner from it.
struct TPopupPlacement {
  int AnchorX = 0;
  int AnchorY = 0;
  int OffsetX = 0;
  int OffsetY = 0;
};

// The placement for a popup at `popup` (x, y) under a parent whose geometry is
// `parentWidth` x `parentHeight` with its top-left at `parentOrigin`, all in the same
// coordinates (the platform's screen), answered in the parent's geometry divided by
// `scale` (surface-local logical coordinates).
TPopupPlacement PlacePopup(int popupX, int popupY, int parentOriginX, int parentOriginY,
                           int parentWidth, int parentHeight, int scale);

}  // namespace platform::wl
