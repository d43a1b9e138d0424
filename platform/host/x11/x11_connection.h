// The X server connection the X11 host lives on: the screen and the visual our windows
// use, the atoms it names properties by, and what the server offers (shared memory,
// RENDER, the request size).
// Everything it needs at start is asked for in one batch before any reply is read.
#pragma once

#include <xcb/render.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/host/x11/x11_format.h"

namespace platform::x11 {

// An XCB reply (or error), freed when it goes.
struct TFree {
  void operator()(void* p) const { std::free(p); }
};
template <typename T>
using TReply = std::unique_ptr<T, TFree>;

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

  // Connects to DISPLAY; false with the reason in `error`. ScreenUnfit() then tells
  // whether it was the screen (no TrueColor visual) rather than the connection.
  bool Open(std::string& error);
  bool ScreenUnfit() const { return ScreenUnfit_; }

  xcb_connection_t* C() const { return C_; }
  const xcb_screen_t& Screen() const { return *Screen_; }
  xcb_window_t Root() const { return Screen_->root; }
  const TAtoms& Atoms() const { return Atoms_; }
  // The visual of our windows and how our pixels become the server's.
  const TPixelFormat& Format() const { return Format_; }
  // The colormap for windows of that visual: the screen's default, or one of its own.
  xcb_colormap_t Colormap() const { return Colormap_; }
  // Shared memory can carry pictures by file descriptor (MIT-SHM 1.2, a server on this
  // machine); asked at start, the first call reads the answer.
  bool ShmByFd();
  // Shared memory carries pictures as System V segments: the server has MIT-SHM, is on
  // this machine and could attach a page of ours. That was tried at start; the first
  // call reads the answer.
  bool ShmWorks();
  // The server refused shared memory after all: none is used from now on.
  void LoseSharedMemory();
  // Whether an X error is about shared memory (its request is MIT-SHM's).
  bool IsShmError(const xcb_generic_error_t& e) const;
  // A test seam (KLOP_X11_SHM_UNREACHABLE): segments are attached by a name the server
  // cannot reach, as from another IPC namespace.
  bool ShmUnreachable() const { return ShmUnreachable_; }
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
  TPixelFormat Format_;
  xcb_colormap_t Colormap_ = 0;
  bool ScreenUnfit_ = false;
  enum class TShm { No, Trying, Yes } Shm_ = TShm::No;
  TShm ShmFd_ = TShm::No;
  xcb_shm_query_version_cookie_t ShmVersion_{};
  std::uint8_t ShmOpcode_ = 0;
  bool ShmUnreachable_ = false;
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
