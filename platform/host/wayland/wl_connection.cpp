#include "platform/host/wayland/wl_connection.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/host/wayland/wl_library.h"
#include "xdg-activation-v1-client-protocol.h"
#include "xdg-decoration-unstable-v1-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace platform::wl {
namespace {

template <typename T>
T* Bind(wl_registry* r, std::uint32_t name, const wl_interface* interface, std::uint32_t offered,
        std::uint32_t wanted) {
  return static_cast<T*>(wl_registry_bind(r, name, interface, std::min(offered, wanted)));
}

const wl_registry_listener kRegistry = {
    [](void* data, wl_registry* r, std::uint32_t name, const char* interface,
       std::uint32_t version) {
      static_cast<TConnection*>(data)->Global(r, name, interface, version);
    },
    [](void* data, wl_registry*, std::uint32_t name) {
      static_cast<TConnection*>(data)->GlobalRemoved(name);
    },
};

// The compositor asks whether we are alive.
const xdg_wm_base_listener kShell = {
    [](void*, xdg_wm_base* shell, std::uint32_t serial) { xdg_wm_base_pong(shell, serial); },
};

const wl_seat_listener kSeat = {
    [](void* data, wl_seat*, std::uint32_t caps) {
      static_cast<TConnection*>(data)->SeatChanged(caps);
    },
    [](void*, wl_seat*, const char*) {},
};

const wl_output_listener kOutput = {
    [](void* data, wl_output*, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
       std::int32_t, const char*, const char*, std::int32_t transform) {
      static_cast<TOutput*>(data)->Transform = transform;
    },
    [](void* data, wl_output*, std::uint32_t flags, std::int32_t width, std::int32_t height,
       std::int32_t) {
      if ((flags & WL_OUTPUT_MODE_CURRENT) == 0) return;
      auto* o = static_cast<TOutput*>(data);
      o->ModeWidth = width;
      o->ModeHeight = height;
    },
    [](void*, wl_output*) {},
    [](void* data, wl_output*, std::int32_t factor) {
      static_cast<TOutput*>(data)->Scale = std::max(factor, 1);
    },
    [](void*, wl_output*, const char*) {},
    [](void*, wl_output*, const char*) {},
};

const zxdg_output_v1_listener kXdgOutput = {
    [](void* data, zxdg_output_v1*, std::int32_t x, std::int32_t y) {
      auto* o = static_cast<TOutput*>(data);
      o->LogicalX = x;
      o->LogicalY = y;
    },
    [](void* data, zxdg_output_v1*, std::int32_t width, std::int32_t height) {
      auto* o = static_cast<TOutput*>(data);
      o->LogicalWidth = width;
      o->LogicalHeight = height;
    },
    [](void*, zxdg_output_v1*) {},
    [](void*, zxdg_output_v1*, const char*) {},
    [](void*, zxdg_output_v1*, const char*) {},
};

}  // namespace

TConnection::~TConnection() {
  if (D_ == nullptr) return;
  for (auto& o : Outputs_) {
    if (o->XdgOutput != nullptr) zxdg_output_v1_destroy(o->XdgOutput);
    wl_output_destroy(o->Output);
  }
  ReleaseSeat();
  if (Activation_ != nullptr) xdg_activation_v1_destroy(Activation_);
  if (OutputManager_ != nullptr) zxdg_output_manager_v1_destroy(OutputManager_);
  if (Decorations_ != nullptr) zxdg_decoration_manager_v1_destroy(Decorations_);
  if (Shell_ != nullptr) xdg_wm_base_destroy(Shell_);
  if (Subcompositor_ != nullptr) wl_subcompositor_destroy(Subcompositor_);
  if (Shm_ != nullptr) wl_shm_destroy(Shm_);
  if (Compositor_ != nullptr) wl_compositor_destroy(Compositor_);
  if (Registry_ != nullptr) wl_registry_destroy(Registry_);
  wl_display_flush(D_);  // the releases reach the compositor
  wl_display_disconnect(D_);
}

bool TConnection::Open(std::string& error) {
  if (!LoadWaylandLibraries(error)) return false;
  D_ = wl_display_connect(nullptr);
  if (D_ == nullptr) {
    const char* name = std::getenv("WAYLAND_DISPLAY");
    error = std::string("cannot connect to the Wayland compositor ") +
            (name != nullptr ? name : "wayland-0") + " (" + std::strerror(errno) + ")";
    return false;
  }
  Registry_ = wl_display_get_registry(D_);
  wl_registry_add_listener(Registry_, &kRegistry, this);
  // The globals, then what they tell at once (seat capabilities, output modes and scales).
  if (wl_display_roundtrip(D_) < 0 || wl_display_roundtrip(D_) < 0) {
    error = "the Wayland compositor ended the connection at start";
    return false;
  }
  if (Compositor_ == nullptr || Shm_ == nullptr || Shell_ == nullptr) {
    error = "the Wayland compositor offers no wl_compositor, wl_shm or xdg_wm_base";
    return false;
  }
  return true;
}

void TConnection::Global(wl_registry* r, std::uint32_t name, const char* interface,
                         std::uint32_t version) {
  const std::string_view i(interface);
  if (i == wl_compositor_interface.name && Compositor_ == nullptr) {
    Compositor_ = Bind<wl_compositor>(r, name, &wl_compositor_interface, version, 4);
  } else if (i == wl_shm_interface.name && Shm_ == nullptr) {
    Shm_ = Bind<wl_shm>(r, name, &wl_shm_interface, version, 1);
  } else if (i == wl_subcompositor_interface.name && Subcompositor_ == nullptr) {
    Subcompositor_ = Bind<wl_subcompositor>(r, name, &wl_subcompositor_interface, version, 1);
  } else if (i == xdg_wm_base_interface.name && Shell_ == nullptr) {
    // 5 tells which window operations the compositor has (wm_capabilities).
    Shell_ = Bind<xdg_wm_base>(r, name, &xdg_wm_base_interface, version, 5);
    xdg_wm_base_add_listener(Shell_, &kShell, this);
  } else if (i == zxdg_decoration_manager_v1_interface.name && Decorations_ == nullptr) {
    Decorations_ = Bind<zxdg_decoration_manager_v1>(r, name, &zxdg_decoration_manager_v1_interface,
                                                    version, 1);
  } else if (i == zxdg_output_manager_v1_interface.name && OutputManager_ == nullptr) {
    OutputManager_ =
        Bind<zxdg_output_manager_v1>(r, name, &zxdg_output_manager_v1_interface, version, 2);
    for (auto& o : Outputs_) WatchOutput(*o);
  } else if (i == xdg_activation_v1_interface.name && Activation_ == nullptr) {
    Activation_ = Bind<xdg_activation_v1>(r, name, &xdg_activation_v1_interface, version, 1);
  } else if (i == wl_seat_interface.name && Seat_ == nullptr) {
    Seat_ = Bind<wl_seat>(r, name, &wl_seat_interface, version, 5);
    SeatName_ = name;
    wl_seat_add_listener(Seat_, &kSeat, this);
  } else if (i == wl_output_interface.name) {
    auto o = std::make_unique<TOutput>();
    o->Name = name;
    o->Output = Bind<wl_output>(r, name, &wl_output_interface, version, 2);
    wl_output_add_listener(o->Output, &kOutput, o.get());
    WatchOutput(*o);
    Outputs_.push_back(std::move(o));
  }
}

void TConnection::WatchOutput(TOutput& o) {
  if (OutputManager_ == nullptr || o.XdgOutput != nullptr) return;
  o.XdgOutput = zxdg_output_manager_v1_get_xdg_output(OutputManager_, o.Output);
  zxdg_output_v1_add_listener(o.XdgOutput, &kXdgOutput, &o);
}

void TConnection::GlobalRemoved(std::uint32_t name) {
  if (Seat_ != nullptr && name == SeatName_) {
    SeatChanged(0);
    ReleaseSeat();
    return;
  }
  std::erase_if(Outputs_, [&](const std::unique_ptr<TOutput>& o) {
    if (o->Name != name) return false;
    if (o->XdgOutput != nullptr) zxdg_output_v1_destroy(o->XdgOutput);
    wl_output_destroy(o->Output);
    return true;
  });
}

void TConnection::ReleaseSeat() {
  if (Seat_ == nullptr) return;
  if (wl_seat_get_version(Seat_) >= WL_SEAT_RELEASE_SINCE_VERSION) {
    wl_seat_release(Seat_);
  } else {
    wl_seat_destroy(Seat_);
  }
  Seat_ = nullptr;
}

void TConnection::SeatChanged(std::uint32_t caps) {
  SeatCaps_ = caps;
  if (OnSeatCapabilities) OnSeatCapabilities(caps);
}

double TConnection::OutputScale() const {
  double scale = 1;
  for (const auto& o : Outputs_) scale = std::max(scale, ScaleOf(*o));
  return scale;
}

double TConnection::ScaleOf(const TOutput& o) {
  // A turned output's mode is across what its logical size is along.
  const bool turned = (o.Transform & 1) != 0;
  const int modeWidth = turned ? o.ModeHeight : o.ModeWidth;
  if (o.LogicalWidth > 0 && modeWidth > 0) return double(modeWidth) / o.LogicalWidth;
  return double(o.Scale);
}

}  // namespace platform::wl
