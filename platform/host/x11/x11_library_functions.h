// The functions and extension data of the X client libraries that the X11 host reaches
// through pointers (x11_library.h), one list per library, and that the package must
// depend on. A function the host calls and no list names is an undefined symbol at the
// link.
#pragma once

// Where the names already stand for calls (after x11_library.h), only pasted (#, ##).
#define KLOP_X11_XCB_FUNCTIONS(X) \
  X(xcb_change_property) \
  X(xcb_change_window_attributes) \
  X(xcb_close_font) \
  X(xcb_configure_window) \
  X(xcb_connect) \
  X(xcb_connection_has_error) \
  X(xcb_create_colormap) \
  X(xcb_create_cursor) \
  X(xcb_create_gc) \
  X(xcb_create_glyph_cursor) \
  X(xcb_create_pixmap) \
  X(xcb_create_window) \
  X(xcb_depth_next) \
  X(xcb_depth_visuals_iterator) \
  X(xcb_destroy_window) \
  X(xcb_discard_reply) \
  X(xcb_disconnect) \
  X(xcb_flush) \
  X(xcb_format_next) \
  X(xcb_free_colormap) \
  X(xcb_free_cursor) \
  X(xcb_free_gc) \
  X(xcb_free_pixmap) \
  X(xcb_generate_id) \
  X(xcb_get_extension_data) \
  X(xcb_get_file_descriptor) \
  X(xcb_get_input_focus) \
  X(xcb_get_input_focus_reply) \
  X(xcb_get_keyboard_mapping) \
  X(xcb_get_keyboard_mapping_keysyms) \
  X(xcb_get_keyboard_mapping_keysyms_length) \
  X(xcb_get_keyboard_mapping_reply) \
  X(xcb_get_modifier_mapping) \
  X(xcb_get_modifier_mapping_keycodes) \
  X(xcb_get_modifier_mapping_reply) \
  X(xcb_get_property) \
  X(xcb_get_property_reply) \
  X(xcb_get_property_value) \
  X(xcb_get_property_value_length) \
  X(xcb_get_setup) \
  X(xcb_grab_keyboard) \
  X(xcb_grab_pointer) \
  X(xcb_intern_atom) \
  X(xcb_intern_atom_reply) \
  X(xcb_map_window) \
  X(xcb_open_font) \
  X(xcb_parse_display) \
  X(xcb_poll_for_event) \
  X(xcb_poll_for_queued_event) \
  X(xcb_poll_for_reply) \
  X(xcb_poly_fill_rectangle) \
  X(xcb_prefetch_extension_data) \
  X(xcb_put_image) \
  X(xcb_query_pointer) \
  X(xcb_query_pointer_reply) \
  X(xcb_request_check) \
  X(xcb_screen_allowed_depths_iterator) \
  X(xcb_screen_next) \
  X(xcb_send_event) \
  X(xcb_setup_pixmap_formats_iterator) \
  X(xcb_setup_roots_iterator) \
  X(xcb_translate_coordinates) \
  X(xcb_translate_coordinates_reply) \
  X(xcb_ungrab_keyboard) \
  X(xcb_ungrab_pointer) \
  X(xcb_unmap_window) \
  X(xcb_visualtype_next) \
  X(xcb_warp_pointer)

#define KLOP_X11_SHM_FUNCTIONS(X) \
  X(xcb_shm_attach) \
  X(xcb_shm_attach_checked) \
  X(xcb_shm_attach_fd) \
  X(xcb_shm_detach) \
  X(xcb_shm_id) \
  X(xcb_shm_put_image) \
  X(xcb_shm_query_version) \
  X(xcb_shm_query_version_reply)

#define KLOP_X11_RENDER_FUNCTIONS(X) \
  X(xcb_render_create_cursor) \
  X(xcb_render_create_picture) \
  X(xcb_render_free_picture) \
  X(xcb_render_id) \
  X(xcb_render_pictforminfo_next) \
  X(xcb_render_query_pict_formats) \
  X(xcb_render_query_pict_formats_formats_iterator) \
  X(xcb_render_query_pict_formats_reply)

#define KLOP_X11_XKB_FUNCTIONS(X) \
  X(xcb_xkb_per_client_flags) \
  X(xcb_xkb_select_events)

#define KLOP_X11_RANDR_FUNCTIONS(X) \
  X(xcb_randr_get_monitors) \
  X(xcb_randr_get_monitors_monitors_iterator) \
  X(xcb_randr_get_monitors_reply) \
  X(xcb_randr_id) \
  X(xcb_randr_monitor_info_next) \
  X(xcb_randr_query_version) \
  X(xcb_randr_query_version_reply)

#define KLOP_X11_XKBCOMMON_FUNCTIONS(X) \
  X(xkb_x11_get_core_keyboard_device_id) \
  X(xkb_x11_keymap_new_from_device) \
  X(xkb_x11_setup_xkb_extension)

// Each library the host opens when it is chosen, by the file name its package provides,
// with what it resolves there; the core library first (a test may name another file for
// it).
#define KLOP_X11_LIBRARIES(L)                                \
  L(xcb, "libxcb.so.1", KLOP_X11_XCB_FUNCTIONS)              \
  L(shm, "libxcb-shm.so.0", KLOP_X11_SHM_FUNCTIONS)          \
  L(render, "libxcb-render.so.0", KLOP_X11_RENDER_FUNCTIONS) \
  L(randr, "libxcb-randr.so.0", KLOP_X11_RANDR_FUNCTIONS)

// The keyboard's, opened with the keyboard at the first key: a game played with the
// mouse alone never maps them.
#define KLOP_X11_KEYBOARD_LIBRARIES(L)                \
  L(xkb, "libxcb-xkb.so.1", KLOP_X11_XKB_FUNCTIONS) \
  L(xkbcommon, "libxkbcommon-x11.so.0", KLOP_X11_XKBCOMMON_FUNCTIONS)

#define KLOP_X11_START_FUNCTIONS(X) \
  KLOP_X11_XCB_FUNCTIONS(X) KLOP_X11_SHM_FUNCTIONS(X) KLOP_X11_RENDER_FUNCTIONS(X) KLOP_X11_RANDR_FUNCTIONS(X)
#define KLOP_X11_KEYBOARD_FUNCTIONS(X) KLOP_X11_XKB_FUNCTIONS(X) KLOP_X11_XKBCOMMON_FUNCTIONS(X)
#define KLOP_X11_FUNCTIONS(X) KLOP_X11_START_FUNCTIONS(X) KLOP_X11_KEYBOARD_FUNCTIONS(X)
