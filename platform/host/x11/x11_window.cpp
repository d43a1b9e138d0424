#include "platform/host/x11/x11_window.h"

#include <errno.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include "klop_config.h"
#include "platform/host/host_text.h"
#include "platform/host/x11/x11_host_internal.h"

namespace platform::x11 {

namespace {

constexpr std::uint32_t kEvents =
    XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_KEY_PRESS |
    XCB_EVENT_MASK_KEY_RELEASE | XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE |
    XCB_EVENT_MASK_POINTER_MOTION | XCB_EVENT_MASK_ENTER_WINDOW | XCB_EVENT_MASK_LEAVE_WINDOW |
    XCB_EVENT_MASK_FOCUS_CHANGE | XCB_EVENT_MASK_PROPERTY_CHANGE;

// ICCCM's WM_NORMAL_HINTS flags and WM_HINTS fields.
constexpr std::uint32_t kUSPosition = 1;
constexpr std::uint32_t kPPosition = 4;
constexpr std::uint32_t kPSize = 8;
constexpr std::uint32_t kPMinSize = 16;
constexpr std::uint32_t kPMaxSize = 32;
constexpr std::uint32_t kPWinGravity = 512;
constexpr std::uint32_t kStaticGravity = 10;
constexpr std::uint32_t kInputHint = 1;
constexpr std::uint32_t kStateHint = 2;
constexpr std::uint32_t kWindowGroupHint = 64;
constexpr std::uint32_t kNormalState = 1;
// The Motif hints that leave a dialog its title, border and close box alone, as the
// SDL host asks.
constexpr std::uint32_t kMwmHintsFunctions = 1;
constexpr std::uint32_t kMwmHintsDecorations = 2;
constexpr std::uint32_t kMwmFuncMove = 4;
constexpr std::uint32_t kMwmFuncClose = 32;
constexpr std::uint32_t kMwmDecorBorder = 2;
constexpr std::uint32_t kMwmDecorTitle = 8;

void Put32(xcb_connection_t* c, xcb_window_t w, xcb_atom_t property, xcb_atom_t type,
           const std::uint32_t* values, std::size_t count) {
  if (property == XCB_ATOM_NONE) return;
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, property, type, 32, std::uint32_t(count),
                      values);
}

void Put8(xcb_connection_t* c, xcb_window_t w, xcb_atom_t property, xcb_atom_t type,
          const std::string& bytes) {
  if (property == XCB_ATOM_NONE) return;
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, property, type, 8, std::uint32_t(bytes.size()),
                      bytes.data());
}

}  // namespace

TWindow CreateTopLevel(const TConnection& x, const HostWindowSpec& asked, xcb_window_t owner,
                       xcb_window_t group, xcb_cursor_t cursor) {
  xcb_connection_t* c = x.C();
  const TAtoms& a = x.Atoms();
  TWindow w;
  w.Id = xcb_generate_id(c);
  w.Owner = owner;
  w.Group = group;
  w.Popup = asked.popup;
  w.Dialog = asked.dialog && !asked.popup;
  w.Resizable = asked.resizable && !w.Dialog && !w.Popup;
  w.Positioned = asked.x != kHostDefaultPosition && asked.y != kHostDefaultPosition;
  w.Bounds = {w.Positioned ? asked.x : 0, w.Positioned ? asked.y : 0, asked.width, asked.height};

  // No background: the kept copy answers exposes, so the server need not clear first.
  // A border pixel and colormap of the window's own visual, which may not be the root's.
  const std::uint32_t values[] = {XCB_BACK_PIXMAP_NONE,
                                  0,
                                  XCB_GRAVITY_NORTH_WEST,
                                  w.Popup ? 1u : 0u,
                                  w.Popup ? 1u : 0u,
                                  kEvents,
                                  x.Colormap(),
                                  cursor};
  xcb_create_window(c, x.Format().Depth(), w.Id, x.Root(), std::int16_t(w.Bounds.x),
                    std::int16_t(w.Bounds.y), std::uint16_t(w.Bounds.width),
                    std::uint16_t(w.Bounds.height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                    x.Format().Visual(),
                    XCB_CW_BACK_PIXMAP | XCB_CW_BORDER_PIXEL | XCB_CW_BIT_GRAVITY |
                        XCB_CW_OVERRIDE_REDIRECT | XCB_CW_SAVE_UNDER | XCB_CW_EVENT_MASK |
                        XCB_CW_COLORMAP | XCB_CW_CURSOR,
                    values);

  // The instance is the program's file name (KLOP_WM_NAME for the game itself), as
  // ICCCM asks; the class is the game's.
  const char* instance = program_invocation_short_name;
  if (instance == nullptr || instance[0] == '\0') instance = KLOP_WM_NAME;
  const std::string wmClass = std::string(instance) + '\0' + KLOP_WM_CLASS + '\0';
  Put8(c, w.Id, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, wmClass);
  SetTitle(x, w.Id, asked.title);
  const std::uint32_t pid = std::uint32_t(getpid());
  Put32(c, w.Id, a._NET_WM_PID, XCB_ATOM_CARDINAL, &pid, 1);
  char host[HOST_NAME_MAX + 1] = {};
  if (gethostname(host, sizeof host - 1) == 0) {
    Put8(c, w.Id, XCB_ATOM_WM_CLIENT_MACHINE, XCB_ATOM_STRING, host);
  }
  const std::uint32_t protocols[] = {a.WM_DELETE_WINDOW, a._NET_WM_PING};
  Put32(c, w.Id, a.WM_PROTOCOLS, XCB_ATOM_ATOM, protocols, 2);
  SetWmHints(x, w, false);
  SetNormalHints(x, w);
  const std::uint32_t type = w.Popup    ? a._NET_WM_WINDOW_TYPE_POPUP_MENU
                             : w.Dialog ? a._NET_WM_WINDOW_TYPE_DIALOG
                                        : a._NET_WM_WINDOW_TYPE_NORMAL;
  Put32(c, w.Id, a._NET_WM_WINDOW_TYPE, XCB_ATOM_ATOM, &type, 1);
  if (w.Popup || w.Dialog) {
    const std::uint32_t state[] = {a._NET_WM_STATE_SKIP_TASKBAR, a._NET_WM_STATE_MODAL};
    Put32(c, w.Id, a._NET_WM_STATE, XCB_ATOM_ATOM, state, w.Dialog && asked.modal ? 2 : 1);
    if (owner != 0) Put32(c, w.Id, XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW, &owner, 1);
  }
  if (group != 0) Put32(c, w.Id, a.WM_CLIENT_LEADER, XCB_ATOM_WINDOW, &group, 1);
  if (w.Dialog) {
    const std::uint32_t motif[] = {kMwmHintsFunctions | kMwmHintsDecorations,
                                   kMwmFuncMove | kMwmFuncClose,
                                   kMwmDecorBorder | kMwmDecorTitle, 0, 0};
    Put32(c, w.Id, a._MOTIF_WM_HINTS, a._MOTIF_WM_HINTS, motif, 5);
  }
  // The frame's size, known before the window shows, places it as asked.
  if (!w.Popup) TellWindowManager(x, w.Id, a._NET_REQUEST_FRAME_EXTENTS, 0);
  return w;
}

xcb_window_t CreateGroupLeader(const TConnection& x, const std::string& startupId) {
  xcb_connection_t* c = x.C();
  const TAtoms& a = x.Atoms();
  const xcb_window_t id = xcb_generate_id(c);
  xcb_create_window(c, 0, id, x.Root(), -1, -1, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                    XCB_COPY_FROM_PARENT, 0, nullptr);
  Put32(c, id, a.WM_CLIENT_LEADER, XCB_ATOM_WINDOW, &id, 1);
  const std::uint32_t pid = std::uint32_t(getpid());
  Put32(c, id, a._NET_WM_PID, XCB_ATOM_CARDINAL, &pid, 1);
  if (!startupId.empty()) Put8(c, id, a._NET_STARTUP_ID, a.UTF8_STRING, startupId);
  return id;
}

void EndStartup(const TConnection& x, xcb_window_t from, const std::string& id) {
  const TAtoms& a = x.Atoms();
  if (a._NET_STARTUP_INFO_BEGIN == XCB_ATOM_NONE || a._NET_STARTUP_INFO == XCB_ATOM_NONE) return;
  // The message's values are quoted, as the startup notification protocol reads them.
  std::string message = "remove: ID=\"";
  for (char ch : id) {
    if (ch == '"' || ch == '\\') message += '\\';
    message += ch;
  }
  message += '"';
  message += '\0';
  // In pieces of 20 bytes, the first one typed as the beginning, all read to the NUL.
  for (std::size_t at = 0; at < message.size(); at += 20) {
    xcb_client_message_event_t e{};
    e.response_type = XCB_CLIENT_MESSAGE;
    e.format = 8;
    e.window = from;
    e.type = at == 0 ? a._NET_STARTUP_INFO_BEGIN : a._NET_STARTUP_INFO;
    message.copy(reinterpret_cast<char*>(e.data.data8), 20, at);
    xcb_send_event(x.C(), 0, x.Root(), XCB_EVENT_MASK_PROPERTY_CHANGE,
                   reinterpret_cast<const char*>(&e));
  }
}

void SetTitle(const TConnection& x, xcb_window_t window, const std::string& title) {
  Put8(x.C(), window, x.Atoms()._NET_WM_NAME, x.Atoms().UTF8_STRING, title);
  Put8(x.C(), window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, Latin1Of(title));
}

void SetIcon(const TConnection& x, xcb_window_t window, const CursorShape& icon) {
  const int w = icon.width;
  const int h = icon.height;
  if (w <= 0 || h <= 0 || w > 256 || h > 256 ||
      icon.pixels.size() != std::size_t(w) * std::size_t(h)) {
    return;
  }
  // Large task bars and switchers scale a small icon themselves, blurred; a sharp
  // enlargement of the pixels looks as the icon was drawn. Larger ones take their icon
  // from the desktop entry's; this one is read by the window manager before it maps the
  // window.
  const int side = std::max(w, h);
  const int n = 64 / side;
  const bool enlarged = n >= 2 && side * n == 64;
  std::vector<std::uint32_t> data;
  data.reserve(4 + icon.pixels.size() * (enlarged ? 1 + n * n : 1));
  data.push_back(std::uint32_t(w));
  data.push_back(std::uint32_t(h));
  data.insert(data.end(), icon.pixels.begin(), icon.pixels.end());
  if (enlarged) {
    data.push_back(std::uint32_t(w * n));
    data.push_back(std::uint32_t(h * n));
    for (int y = 0; y < h * n; ++y) {
      for (int xx = 0; xx < w * n; ++xx) {
        data.push_back(icon.pixels[std::size_t(y / n) * std::size_t(w) + std::size_t(xx / n)]);
      }
    }
  }
  if (data.size() * 4 + 64 > x.MaxRequestBytes()) return;
  Put32(x.C(), window, x.Atoms()._NET_WM_ICON, XCB_ATOM_CARDINAL, data.data(), data.size());
}

void SetNormalHints(const TConnection& x, const TWindow& w) {
  std::uint32_t hints[18] = {};
  const HostRect& b = w.Bounds;
  hints[0] = kPSize | kPWinGravity;
  if (w.Positioned) hints[0] |= kUSPosition | kPPosition;
  hints[1] = std::uint32_t(b.x);
  hints[2] = std::uint32_t(b.y);
  hints[3] = std::uint32_t(b.width);
  hints[4] = std::uint32_t(b.height);
  if (!w.Resizable) {
    hints[0] |= kPMinSize | kPMaxSize;
    hints[5] = hints[7] = std::uint32_t(b.width);
    hints[6] = hints[8] = std::uint32_t(b.height);
  }
  // Positions name the surface: the desktop puts its frame around it.
  hints[17] = kStaticGravity;
  Put32(x.C(), w.Id, XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS, hints, 18);
}

void SetWmHints(const TConnection& x, const TWindow& w, bool iconic) {
  const std::uint32_t hints[9] = {kInputHint | kStateHint | (w.Group != 0 ? kWindowGroupHint : 0),
                                  w.Popup ? 0u : 1u,
                                  iconic ? kIconicState : kNormalState,
                                  0,
                                  0,
                                  0,
                                  0,
                                  0,
                                  w.Group};
  Put32(x.C(), w.Id, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, hints, 9);
}

void TellWindowManager(const TConnection& x, xcb_window_t window, xcb_atom_t type, std::uint32_t d0,
                       std::uint32_t d1, std::uint32_t d2, std::uint32_t d3) {
  if (type == XCB_ATOM_NONE) return;
  xcb_client_message_event_t e{};
  e.response_type = XCB_CLIENT_MESSAGE;
  e.format = 32;
  e.window = window;
  e.type = type;
  e.data.data32[0] = d0;
  e.data.data32[1] = d1;
  e.data.data32[2] = d2;
  e.data.data32[3] = d3;
  xcb_send_event(x.C(), 0, x.Root(),
                 XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&e));
}

// The host's side of its windows: mapping them, and what the server and the window
// manager tell of where they are and in what state.

void TX11Host::Map(TWindow& w) {
  const TAtoms& a = X_->Atoms();
  if (!w.Popup) {
    // The window manager gives the focus to a window mapped in answer to the user's
    // latest input (or to the launch), and may refuse it to one mapped without a time.
    const std::uint32_t time = LastTime_ != XCB_CURRENT_TIME ? LastTime_ : StartupTime_;
    if (time != 0) {
      xcb_change_property(C_, XCB_PROP_MODE_REPLACE, w.Id, a._NET_WM_USER_TIME, XCB_ATOM_CARDINAL,
                          32, 1, &time);
    }
    if (!StartupId_.empty()) {
      xcb_change_property(C_, XCB_PROP_MODE_REPLACE, w.Id, a._NET_STARTUP_ID, a.UTF8_STRING, 8,
                          std::uint32_t(StartupId_.size()), StartupId_.data());
    }
  }
  xcb_map_window(C_, w.Id);
  w.Mapped = true;
  if (!w.Popup && !StartupId_.empty()) {
    EndStartup(*X_, Leader_, StartupId_);
    StartupId_.clear();
  }
}

void TX11Host::Configured(const xcb_configure_notify_event_t& e, bool fromWindowManager) {
  TWindow* w = Find(e.window);
  if (w == nullptr || e.event != e.window) return;
  // A window manager's synthetic notice gives the position; its size may be one the
  // server has already left behind (openbox answers a frame-extents request with the
  // first size), while every real resize comes as a real notice.
  if (!fromWindowManager && (e.width != w->Bounds.width || e.height != w->Bounds.height)) {
    w->Bounds.width = e.width;
    w->Bounds.height = e.height;
    HostEvent& h = Push(HostEventKind::Resized, e.window);
    h.width = e.width;
    h.height = e.height;
  }
  if (!fromWindowManager && !w->Reparented) {
    MovedTo(*w, e.x, e.y);  // on the root window: a position on the screen
    return;
  }
  // Before the window manager shows the window no position it tells is one it chose:
  // openbox answers the frame-extents request with the window's place in a frame at
  // the screen's corner, and moves a new frame into place only after the window is in
  // it. The place is read when the window shows.
  if (!w->Shown) return;
  int x = e.x;
  int y = e.y;
  // Inside the desktop's frame the event says where in the frame, not on the screen.
  if (fromWindowManager || OnScreen(e.window, x, y)) MovedTo(*w, x, y);
}

bool TX11Host::OnScreen(xcb_window_t window, int& x, int& y) {
  TReply<xcb_translate_coordinates_reply_t> r(xcb_translate_coordinates_reply(
      C_, xcb_translate_coordinates(C_, window, X_->Root(), 0, 0), nullptr));
  if (!r) return false;
  x = r->dst_x;
  y = r->dst_y;
  return true;
}

void TX11Host::MovedTo(TWindow& w, int x, int y) {
  if (x != w.Bounds.x || y != w.Bounds.y) PushMoved(Pending_, w.Id, w.Bounds, x, y, Stamp_);
}

void TX11Host::FrameExtents(TWindow& w) {
  const std::vector<std::uint32_t> v =
      ReadCardinals(C_, w.Id, X_->Atoms()._NET_FRAME_EXTENTS, XCB_ATOM_CARDINAL, 4);
  if (v.size() != 4 || std::any_of(v.begin(), v.end(), [](std::uint32_t n) { return n > 4096; })) {
    return;
  }
  const HostInsets in{int(v[0]), int(v[2]), int(v[1]), int(v[3])};
  if (!w.Popup) FrameGuess_ = in;
  if (in.left == w.Extents.left && in.top == w.Extents.top && in.right == w.Extents.right &&
      in.bottom == w.Extents.bottom) {
    return;
  }
  w.Extents = in;
  HostEvent& h = Push(HostEventKind::Moved, w.Id);
  h.x = w.Bounds.x;
  h.y = w.Bounds.y;
}

void TX11Host::StateChanged(TWindow& w) {
  const TAtoms& a = X_->Atoms();
  const std::vector<std::uint32_t> net =
      ReadCardinals(C_, w.Id, a._NET_WM_STATE, XCB_ATOM_ATOM, 64);
  const std::vector<std::uint32_t> icccm = ReadCardinals(C_, w.Id, a.WM_STATE, a.WM_STATE, 1);
  auto has = [&](xcb_atom_t atom) { return std::find(net.begin(), net.end(), atom) != net.end(); };
  const bool minimized =
      has(a._NET_WM_STATE_HIDDEN) || (!icccm.empty() && icccm[0] == kIconicState);
  const bool maximized = has(a._NET_WM_STATE_MAXIMIZED_VERT) && has(a._NET_WM_STATE_MAXIMIZED_HORZ);
  if (minimized && !w.Minimized) {
    Push(HostEventKind::Minimized, w.Id);
  } else if (!minimized && (w.Minimized || maximized != w.Maximized)) {
    Push(maximized ? HostEventKind::Maximized : HostEventKind::Restored, w.Id);
  }
  w.Minimized = minimized;
  w.Maximized = maximized;
}

}  // namespace platform::x11
