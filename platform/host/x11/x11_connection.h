// The X server connection the X11 host lives on: the screen, the atoms it names
// properties by, and what the server offers (shared memory, RENDER, the request size).
// Everything it needs at start is asked for in one batch before any reply is read.
#pragma once

#include <xcb/render.h>
#include <xcb/xcb.h>

#include <cstdint>
#include <string>
#include <vector>

namespace platform::x11 {

// Every atom the host uses, interned together at start.
#define KLOP_X11_ATOMS(X)           \
  X(WM_PROTOCOLS)                   \
  X(WM_DELETE_WINDOW)               \
  X(WM_STATE)                       \
  X(WM_CHANGE_STATE)                \
  X(UTF8_STRING)                    \
  X(_NET_WM_NAME)                   \
  X(_NET_WM_ICON)                   \
  X(_NET_WM_PID)                    \
  X(_NET_WM_PING)                   \
  X(_NET_WM_STATE)                  \
  X(_NET_WM_STATE_HIDDEN)           \
  X(_NET_WM_STATE_MAXIMIZED_VERT)   \
  X(_NET_WM_STATE_MAXIMIZED_HORZ)   \
  X(_NET_WM_STATE_SKIP_TASKBAR)     \
  X(_NET_WM_STATE_MODAL)            \
  X(_NET_WM_USER_TIME)              \
  X(_NET_STARTUP_ID)                \
  X(_NET_STARTUP_INFO_BEGIN)        \
  X(_NET_STARTUP_INFO)              \
  X(_NET_REQUEST_FRAME_EXTENTS)     \
  X(WM_CLIENT_LEADER)               \
  X(_NET_WM_WINDOW_TYPE)            \
  X(_NET_WM_WINDOW_TYPE_NORMAL)     \
  X(_NET_WM_WINDOW_TYPE_DIALOG)     \
  X(_NET_WM_WINDOW_TYPE_POPUP_MENU) \
  X(_NET_WORKAREA)                  \
  X(_NET_CURRENT_DESKTOP)           \
  X(_NET_FRAME_EXTENTS)             \
  X(_NET_ACTIVE_WINDOW)             \
  X(_MOTIF_WM_HINTS)

struct TAtoms {
#define KLOP_X11_ATOM_FIELD(name) xcb_atom_t name = XCB_ATOM_NONE;
  KLOP_X11_ATOMS(KLOP_X11_ATOM_FIELD)
#undef KLOP_X11_ATOM_FIELD
};

class TConnection {
 public:
  TConnection() = default;
  TConnection(const TConnection&) = delete;
  TConnection& operator=(const TConnection&) = delete;
  ~TConnection();

  // Connects to DISPLAY; false with the reason in `error`.
  bool Open(std::string& error);

  xcb_connection_t* C() const { return C_; }
  const xcb_screen_t& Screen() const { return *Screen_; }
  xcb_window_t Root() const { return Screen_->root; }
  const TAtoms& Atoms() const { return Atoms_; }
  // Shared memory carries pictures: the server has MIT-SHM, is on this machine and could
  // attach a page of ours. That was tried at start; the first call reads the answer.
  bool ShmWorks();
  bool RenderOffered() const { return RenderOffered_; }
  // The largest request in bytes.
  std::size_t MaxRequestBytes() const { return MaxRequestBytes_; }
  // The root window's RESOURCE_MANAGER string as it was at start ("" when unset).
  const std::string& Resources() const { return Resources_; }

  // The X server went away (or broke the protocol): nothing more can be done.
  bool Lost() const { return xcb_connection_has_error(C_) != 0; }

  // RENDER's picture formats, asked for at start; the caller frees the reply. Null
  // after the first call, or when there is no answer.
  xcb_render_query_pict_formats_reply_t* TakePictFormats();

  // A 32-bit property of the root window, up to `count` items; empty when unset.
  std::vector<std::uint32_t> RootCardinals(xcb_atom_t property, std::uint32_t count) const;

 private:
  xcb_connection_t* C_ = nullptr;
  xcb_screen_t* Screen_ = nullptr;
  TAtoms Atoms_;
  enum class TShm { No, Trying, Yes } Shm_ = TShm::No;
  xcb_void_cookie_t ShmTry_{};
  std::uint32_t ShmTrySegment_ = 0;
  void* ShmTryMemory_ = nullptr;
  bool RenderOffered_ = false;
  std::size_t MaxRequestBytes_ = 262140;
  xcb_render_query_pict_formats_cookie_t PictFormats_{};
  bool PictFormatsAsked_ = false;
  std::string Resources_;
};

// A 32-bit property of any window, up to `count` items; empty when unset.
std::vector<std::uint32_t> ReadCardinals(xcb_connection_t* c, xcb_window_t window,
                                         xcb_atom_t property, xcb_atom_t type, std::uint32_t count);

}  // namespace platform::x11
