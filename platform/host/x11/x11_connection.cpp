#include "platform/host/x11/x11_connection.h"

#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/socket.h>
#include <xcb/render.h>
#include <xcb/shm.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/host/x11/x11_library.h"

namespace platform::x11 {

namespace {

constexpr const char* kAtomNames[] = {
#define KLOP_X11_ATOM_NAME(name) #name,
    KLOP_X11_ATOMS(KLOP_X11_ATOM_NAME)
#undef KLOP_X11_ATOM_NAME
};
constexpr std::size_t kAtomCount = sizeof(kAtomNames) / sizeof(kAtomNames[0]);
constexpr int kSendRoom = 1 << 20;

// Shared memory only reaches a server on this machine: a local socket, not TCP.
bool DisplayIsLocal() {
  char* host = nullptr;
  int display = 0;
  if (xcb_parse_display(nullptr, &host, &display, nullptr) == 0) return false;
  bool local = host == nullptr || host[0] == '\0' || std::strcmp(host, "unix") == 0;
  std::free(host);
  return local;
}

}  // namespace

TConnection::~TConnection() {
  if (Shm_ == TShm::Trying) shmdt(ShmTryMemory_);
  if (C_ == nullptr) return;
  if (ShmFd_ == TShm::Trying) xcb_discard_reply(C_, ShmVersion_.sequence);
  if (Colormap_ != 0 && Format_.OwnColormap()) xcb_free_colormap(C_, Colormap_);
  if (PictFormatsAsked_) xcb_discard_reply(C_, PictFormats_.sequence);
  xcb_disconnect(C_);
}

xcb_render_query_pict_formats_reply_t* TConnection::TakePictFormats() {
  if (!PictFormatsAsked_) return nullptr;
  PictFormatsAsked_ = false;
  return xcb_render_query_pict_formats_reply(C_, PictFormats_, nullptr);
}

bool TConnection::Open(std::string& error) {
  if (!LoadX11Libraries(error)) return false;
  int screenNumber = 0;
  C_ = xcb_connect(nullptr, &screenNumber);
  if (int e = xcb_connection_has_error(C_); e != 0) {
    const char* display = std::getenv("DISPLAY");
    error = display == nullptr || display[0] == '\0'
                ? "DISPLAY is not set"
                : std::string("cannot connect to the X server at ") + display + " (error " +
                      std::to_string(e) + ")";
    return false;
  }
  xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(C_));
  for (int i = 0; i < screenNumber && it.rem > 0; ++i) xcb_screen_next(&it);
  if (it.rem == 0) {
    error = "the X server has no such screen";
    return false;
  }
  Screen_ = it.data;
  // Room in the socket for a tick's pictures at scale 2 (a quarter of a megabyte), so
  // that writing them never waits for the server to read: a wait is a wake-up.
  const int fd = xcb_get_file_descriptor(C_);
  int room = 0;
  socklen_t size = sizeof room;
  if (getsockopt(fd, SOL_SOCKET, SO_SNDBUF, &room, &size) == 0 && room < kSendRoom) {
    setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &kSendRoom, sizeof kSendRoom);
  }

  // The whole start-up conversation in one batch: every request goes out before
  // the first reply is awaited.
  std::array<xcb_intern_atom_cookie_t, kAtomCount> atoms{};
  for (std::size_t i = 0; i < kAtomCount; ++i) {
    atoms[i] = xcb_intern_atom(C_, 0, std::uint16_t(std::strlen(kAtomNames[i])), kAtomNames[i]);
  }
  xcb_get_property_cookie_t resources = xcb_get_property(
      C_, 0, Screen_->root, XCB_ATOM_RESOURCE_MANAGER, XCB_ATOM_STRING, 0, 1u << 20);
  xcb_prefetch_extension_data(C_, &xcb_shm_id);
  xcb_prefetch_extension_data(C_, &xcb_render_id);

  std::size_t next = 0;
  auto answer = [&] {
    TReply<xcb_intern_atom_reply_t> r(xcb_intern_atom_reply(C_, atoms[next++], nullptr));
    return r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
  };
#define KLOP_X11_ATOM_READ(name) Atoms_.name = answer();
  KLOP_X11_ATOMS(KLOP_X11_ATOM_READ)
#undef KLOP_X11_ATOM_READ
  if (TReply<xcb_get_property_reply_t> r{xcb_get_property_reply(C_, resources, nullptr)};
      r && r->format == 8) {
    Resources_.assign(static_cast<const char*>(xcb_get_property_value(r.get())),
                      std::size_t(xcb_get_property_value_length(r.get())));
  }
  if (!Format_.Choose(*xcb_get_setup(C_), *Screen_, error)) {
    ScreenUnfit_ = true;
    return false;
  }
  Colormap_ = Screen_->default_colormap;
  if (Format_.OwnColormap()) {
    Colormap_ = xcb_generate_id(C_);
    xcb_create_colormap(C_, XCB_COLORMAP_ALLOC_NONE, Colormap_, Screen_->root, Format_.Visual());
  }
  const xcb_query_extension_reply_t* shm = xcb_get_extension_data(C_, &xcb_shm_id);
  ShmUnreachable_ = std::getenv("KLOP_X11_SHM_UNREACHABLE") != nullptr;
  if (shm != nullptr && shm->present != 0 && DisplayIsLocal() &&
      std::getenv("KLOP_X11_NO_SHM") == nullptr) {
    ShmOpcode_ = shm->major_opcode;
    // File descriptors reach a server in any IPC namespace; the seam wants segments.
    if (!ShmUnreachable_) {
      ShmVersion_ = xcb_shm_query_version(C_);
      ShmFd_ = TShm::Trying;
    }
    // Asked now, answered by the time the first picture needs it: a server that shares
    // our machine may still not see our memory (another IPC namespace).
    const int id = shmget(IPC_PRIVATE, 4096, IPC_CREAT | 0600);
    void* at = id < 0 ? reinterpret_cast<void*>(-1) : shmat(id, nullptr, SHM_RDONLY);
    if (at != reinterpret_cast<void*>(-1)) {
      ShmTrySegment_ = xcb_generate_id(C_);
      ShmTry_ = xcb_shm_attach_checked(C_, ShmTrySegment_, std::uint32_t(id), 1);
      ShmTryMemory_ = at;
      Shm_ = TShm::Trying;
    }
    // It goes when the server and we both let go.
    if (id >= 0) shmctl(id, IPC_RMID, nullptr);
  }
  const xcb_query_extension_reply_t* render = xcb_get_extension_data(C_, &xcb_render_id);
  RenderOffered_ = render != nullptr && render->present != 0;
  if (RenderOffered_) {
    // Asked now, read when the first colour cursor is built: by then it has come.
    PictFormats_ = xcb_render_query_pict_formats(C_);
    PictFormatsAsked_ = true;
  }
  // The core limit (256 kB) is plenty for cursors, icons and rows of pictures, and
  // needs no round trip to enable BIG-REQUESTS.
  MaxRequestBytes_ = std::size_t(xcb_get_setup(C_)->maximum_request_length) * 4;
  if (Lost()) {
    error = "the X server closed the connection at start";
    return false;
  }
  return true;
}

bool TConnection::ShmByFd() {
  if (ShmFd_ == TShm::Trying) {
    TReply<xcb_shm_query_version_reply_t> r(xcb_shm_query_version_reply(C_, ShmVersion_, nullptr));
    ShmFd_ = r && (r->major_version > 1 || (r->major_version == 1 && r->minor_version >= 2))
                 ? TShm::Yes
                 : TShm::No;
  }
  return ShmFd_ == TShm::Yes;
}

void TConnection::LoseSharedMemory() {
  ShmByFd();
  ShmWorks();
  ShmFd_ = Shm_ = TShm::No;
}

bool TConnection::IsShmError(const xcb_generic_error_t& e) const {
  return ShmOpcode_ != 0 && e.major_code == ShmOpcode_;
}

bool TConnection::ShmWorks() {
  if (Shm_ == TShm::Trying) {
    xcb_generic_error_t* e = xcb_request_check(C_, ShmTry_);
    Shm_ = e == nullptr && !Lost() ? TShm::Yes : TShm::No;
    std::free(e);
    if (Shm_ == TShm::Yes) xcb_shm_detach(C_, ShmTrySegment_);
    shmdt(ShmTryMemory_);
  }
  return Shm_ == TShm::Yes;
}

std::vector<std::uint32_t> ReadCardinals(xcb_connection_t* c, xcb_window_t window,
                                         xcb_atom_t property, xcb_atom_t type,
                                         std::uint32_t count) {
  std::vector<std::uint32_t> values;
  if (property == XCB_ATOM_NONE) return values;
  xcb_get_property_cookie_t cookie = xcb_get_property(c, 0, window, property, type, 0, count);
  TReply<xcb_get_property_reply_t> r(xcb_get_property_reply(c, cookie, nullptr));
  if (!r || r->format != 32) return values;
  auto* data = static_cast<const std::uint32_t*>(xcb_get_property_value(r.get()));
  values.assign(data, data + xcb_get_property_value_length(r.get()) / 4);
  return values;
}

std::vector<std::uint32_t> TConnection::RootCardinals(xcb_atom_t property,
                                                      std::uint32_t count) const {
  return ReadCardinals(C_, Root(), property, XCB_ATOM_CARDINAL, count);
}

}  // namespace platform::x11
