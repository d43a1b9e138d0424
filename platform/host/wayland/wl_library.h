// libwayland-client, opened only when the Wayland host is chosen,
// so that the program on an X11 desktop never maps them. The build puts this header
// before everything else in each of the host's sources: every function of theirs the
// host or the generated protocol headers call becomes a call through a pointer that
// LoadWaylandLibraries fills. A function called but not named here fails the link, as
// the libraries are not linked.
#pragma once

#include <wayland-client-core.h>

#include <string>

#include "platform/host/wayland/wl_library_functions.h"

// The pointers, of the functions' own types (declared before the names become calls).
#define KLOP_WL_DECLARE(name) extern decltype(&name) klop_##name;
KLOP_WL_CLIENT_FUNCTIONS(KLOP_WL_DECLARE)
#undef KLOP_WL_DECLARE

#define wl_display_cancel_read (*klop_wl_display_cancel_read)
#define wl_display_connect (*klop_wl_display_connect)
#define wl_display_disconnect (*klop_wl_display_disconnect)
#define wl_display_dispatch (*klop_wl_display_dispatch)
#define wl_display_dispatch_pending (*klop_wl_display_dispatch_pending)
#define wl_display_flush (*klop_wl_display_flush)
#define wl_display_get_error (*klop_wl_display_get_error)
#define wl_display_get_fd (*klop_wl_display_get_fd)
#define wl_display_get_protocol_error (*klop_wl_display_get_protocol_error)
#define wl_display_prepare_read (*klop_wl_display_prepare_read)
#define wl_display_read_events (*klop_wl_display_read_events)
#define wl_display_roundtrip (*klop_wl_display_roundtrip)
#define wl_proxy_add_listener (*klop_wl_proxy_add_listener)
#define wl_proxy_destroy (*klop_wl_proxy_destroy)
#define wl_proxy_get_id (*klop_wl_proxy_get_id)
#define wl_proxy_get_user_data (*klop_wl_proxy_get_user_data)
#define wl_proxy_get_version (*klop_wl_proxy_get_version)
#define wl_proxy_marshal_flags (*klop_wl_proxy_marshal_flags)
#define wl_proxy_set_user_data (*klop_wl_proxy_set_user_data)

namespace platform::wl {

// Opens the library (by this name) and resolves every pointer; false with the reason in
// `error`, the pointers then as they were. Each call that succeeds keeps the library
// loaded for the life of the process.
bool LoadWaylandLibraries(std::string& error, const char* client = "libwayland-client.so.0");

}  // namespace platform::wl
