// The functions of libwayland-client that the Wayland host reaches through pointers (wl_library.h), and that the package must depend on.
#pragma once

// Where the names already stand for calls (after wl_library.h), only pasted (#, ##).
#define KLOP_WL_CLIENT_FUNCTIONS(X)                                                         \
  X(wl_display_cancel_read) X(wl_display_connect) X(wl_display_disconnect)                  \
  X(wl_display_dispatch) X(wl_display_dispatch_pending) X(wl_display_flush)                 \
  X(wl_display_get_error) X(wl_display_get_fd) X(wl_display_get_protocol_error)             \
  X(wl_display_prepare_read) X(wl_display_read_events) X(wl_display_roundtrip)              \
  X(wl_proxy_add_listener) X(wl_proxy_destroy) X(wl_proxy_get_id) X(wl_proxy_get_user_data) \
  X(wl_proxy_get_version) X(wl_proxy_marshal_flags) X(wl_proxy_set_user_data)
