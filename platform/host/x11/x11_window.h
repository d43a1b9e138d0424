// Top-level windows and what the window manager reads from them (ICCCM and EWMH):
// the framed frame, dialogs (typed as such, transient for their owner, fixed size,
// title and close box only, off the task bar) and popup menus (override-redirect,
// placed exactly). All of it is written without waiting for a reply.
#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <string>

#include "platform/host/host.h"
#include "platform/host/x11/x11_connection.h"
#include "platform/host/x11/x11_picture.h"

namespace platform::x11 {

struct TWindow {
  xcb_window_t Id = 0;
  xcb_window_t Owner = 0;
  xcb_window_t Group = 0;  // the program's group leader, for the window manager
  bool Popup = false;
  bool Dialog = false;
  bool Resizable = false;
  bool Positioned = false;  // placed where asked, not where the desktop likes
  HostRect Bounds;          // the surface on the screen, as last known or asked for
  HostInsets Extents;       // the desktop's decorations, once it says
  bool Mapped = false;      // shown as far as we asked
  bool Reparented = false;  // inside a frame of the window manager's
  bool Shown = false;       // mapped on the server (by the window manager, if any)
  bool Minimized = false;
  bool Maximized = false;
  TPicture Picture;
};

// Creates the X window for `asked` with every property set; `owner` may be 0. A
// framed window asks the window manager for the size of its frame before it maps.
TWindow CreateTopLevel(const TConnection& x, const HostWindowSpec& asked, xcb_window_t owner,
                       xcb_window_t group, xcb_cursor_t cursor);
// The unmapped window that leads the program's group of windows (ICCCM's client leader),
// carrying what the window manager reads once for all of them.
xcb_window_t CreateGroupLeader(const TConnection& x, const std::string& startupId);
// The startup notification's "remove" message for `id`: the launcher's busy cursor ends.
void EndStartup(const TConnection& x, xcb_window_t from, const std::string& id);
void SetTitle(const TConnection& x, xcb_window_t window, const std::string& title);
// _NET_WM_ICON: the icon as given, and its whole-number enlargement to 64.
void SetIcon(const TConnection& x, xcb_window_t window, const CursorShape& icon);
// WM_NORMAL_HINTS for the window's current bounds.
void SetNormalHints(const TConnection& x, const TWindow& w);
// WM_HINTS: takes focus unless a popup; starts minimised when `iconic`; in its group.
void SetWmHints(const TConnection& x, const TWindow& w, bool iconic);
// A client message to the window manager about `window` (on the root window).
void TellWindowManager(const TConnection& x, xcb_window_t window, xcb_atom_t type, std::uint32_t d0,
                       std::uint32_t d1 = 0, std::uint32_t d2 = 0, std::uint32_t d3 = 0);


}  // namespace platform::x11
