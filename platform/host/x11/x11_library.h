// The X client libraries (libxcb and its extensions' libraries, libxkbcommon-x11), opened
// only when the X11 host is chosen (the keyboard's at its first key), so that the
// program on a Wayland desktop never maps them. The build puts this header before everything else in each of the host's
// sources: every function of theirs the host calls becomes a call through a pointer
// that LoadX11Libraries fills (the extensions' ids too, which are data). A function
// called but not named in x11_library_functions.h fails the link, as the libraries are
// not linked.
#pragma once

#include <xcb/randr.h>
#include <xcb/render.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>
#include <xcb/xcbext.h>
// xcb/xkb.h names a field `explicit`, a C++ keyword.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit
#include <xkbcommon/xkbcommon-x11.h>

#include <string>

#include "platform/host/x11/x11_library_functions.h"

// The pointers, of the functions' (and the ids') own types, declared before the names
// become calls.
#define KLOP_X11_DECLARE(name) extern decltype(&name) klop_##name;
KLOP_X11_FUNCTIONS(KLOP_X11_DECLARE)
#undef KLOP_X11_DECLARE

#define xcb_change_property (*klop_xcb_change_property)
#define xcb_change_window_attributes (*klop_xcb_change_window_attributes)
#define xcb_close_font (*klop_xcb_close_font)
#define xcb_configure_window (*klop_xcb_configure_window)
#define xcb_connect (*klop_xcb_connect)
#define xcb_connection_has_error (*klop_xcb_connection_has_error)
#define xcb_create_colormap (*klop_xcb_create_colormap)
#define xcb_create_cursor (*klop_xcb_create_cursor)
#define xcb_create_gc (*klop_xcb_create_gc)
#define xcb_create_glyph_cursor (*klop_xcb_create_glyph_cursor)
#define xcb_create_pixmap (*klop_xcb_create_pixmap)
#define xcb_create_window (*klop_xcb_create_window)
#define xcb_depth_next (*klop_xcb_depth_next)
#define xcb_depth_visuals_iterator (*klop_xcb_depth_visuals_iterator)
#define xcb_destroy_window (*klop_xcb_destroy_window)
#define xcb_discard_reply (*klop_xcb_discard_reply)
#define xcb_disconnect (*klop_xcb_disconnect)
#define xcb_flush (*klop_xcb_flush)
#define xcb_format_next (*klop_xcb_format_next)
#define xcb_free_colormap (*klop_xcb_free_colormap)
#define xcb_free_cursor (*klop_xcb_free_cursor)
#define xcb_free_gc (*klop_xcb_free_gc)
#define xcb_free_pixmap (*klop_xcb_free_pixmap)
#define xcb_generate_id (*klop_xcb_generate_id)
#define xcb_get_extension_data (*klop_xcb_get_extension_data)
#define xcb_get_file_descriptor (*klop_xcb_get_file_descriptor)
#define xcb_get_input_focus (*klop_xcb_get_input_focus)
#define xcb_get_input_focus_reply (*klop_xcb_get_input_focus_reply)
#define xcb_get_keyboard_mapping (*klop_xcb_get_keyboard_mapping)
#define xcb_get_keyboard_mapping_keysyms (*klop_xcb_get_keyboard_mapping_keysyms)
#define xcb_get_keyboard_mapping_keysyms_length (*klop_xcb_get_keyboard_mapping_keysyms_length)
#define xcb_get_keyboard_mapping_reply (*klop_xcb_get_keyboard_mapping_reply)
#define xcb_get_modifier_mapping (*klop_xcb_get_modifier_mapping)
#define xcb_get_modifier_mapping_keycodes (*klop_xcb_get_modifier_mapping_keycodes)
#define xcb_get_modifier_mapping_reply (*klop_xcb_get_modifier_mapping_reply)
#define xcb_get_property (*klop_xcb_get_property)
#define xcb_get_property_reply (*klop_xcb_get_property_reply)
#define xcb_get_property_value (*klop_xcb_get_property_value)
#define xcb_get_property_value_length (*klop_xcb_get_property_value_length)
#define xcb_get_setup (*klop_xcb_get_setup)
#define xcb_grab_keyboard (*klop_xcb_grab_keyboard)
#define xcb_grab_pointer (*klop_xcb_grab_pointer)
#define xcb_intern_atom (*klop_xcb_intern_atom)
#define xcb_intern_atom_reply (*klop_xcb_intern_atom_reply)
#define xcb_map_window (*klop_xcb_map_window)
#define xcb_open_font (*klop_xcb_open_font)
#define xcb_parse_display (*klop_xcb_parse_display)
#define xcb_poll_for_event (*klop_xcb_poll_for_event)
#define xcb_poll_for_queued_event (*klop_xcb_poll_for_queued_event)
#define xcb_poll_for_reply (*klop_xcb_poll_for_reply)
#define xcb_poly_fill_rectangle (*klop_xcb_poly_fill_rectangle)
#define xcb_prefetch_extension_data (*klop_xcb_prefetch_extension_data)
#define xcb_put_image (*klop_xcb_put_image)
#define xcb_query_pointer (*klop_xcb_query_pointer)
#define xcb_query_pointer_reply (*klop_xcb_query_pointer_reply)
#define xcb_randr_get_monitors (*klop_xcb_randr_get_monitors)
#define xcb_randr_get_monitors_monitors_iterator (*klop_xcb_randr_get_monitors_monitors_iterator)
#define xcb_randr_get_monitors_reply (*klop_xcb_randr_get_monitors_reply)
#define xcb_randr_id (*klop_xcb_randr_id)
#define xcb_randr_monitor_info_next (*klop_xcb_randr_monitor_info_next)
#define xcb_randr_query_version (*klop_xcb_randr_query_version)
#define xcb_randr_query_version_reply (*klop_xcb_randr_query_version_reply)
#define xcb_render_create_cursor (*klop_xcb_render_create_cursor)
#define xcb_render_create_picture (*klop_xcb_render_create_picture)
#define xcb_render_free_picture (*klop_xcb_render_free_picture)
#define xcb_render_id (*klop_xcb_render_id)
#define xcb_render_pictforminfo_next (*klop_xcb_render_pictforminfo_next)
#define xcb_render_query_pict_formats (*klop_xcb_render_query_pict_formats)
#define xcb_render_query_pict_formats_formats_iterator (*klop_xcb_render_query_pict_formats_formats_iterator)
#define xcb_render_query_pict_formats_reply (*klop_xcb_render_query_pict_formats_reply)
#define xcb_request_check (*klop_xcb_request_check)
#define xcb_screen_allowed_depths_iterator (*klop_xcb_screen_allowed_depths_iterator)
#define xcb_screen_next (*klop_xcb_screen_next)
#define xcb_send_event (*klop_xcb_send_event)
#define xcb_setup_pixmap_formats_iterator (*klop_xcb_setup_pixmap_formats_iterator)
#define xcb_setup_roots_iterator (*klop_xcb_setup_roots_iterator)
#define xcb_shm_attach (*klop_xcb_shm_attach)
#define xcb_shm_attach_checked (*klop_xcb_shm_attach_checked)
#define xcb_shm_attach_fd (*klop_xcb_shm_attach_fd)
#define xcb_shm_detach (*klop_xcb_shm_detach)
#define xcb_shm_id (*klop_xcb_shm_id)
#define xcb_shm_put_image (*klop_xcb_shm_put_image)
#define xcb_shm_query_version (*klop_xcb_shm_query_version)
#define xcb_shm_query_version_reply (*klop_xcb_shm_query_version_reply)
#define xcb_translate_coordinates (*klop_xcb_translate_coordinates)
#define xcb_translate_coordinates_reply (*klop_xcb_translate_coordinates_reply)
#define xcb_ungrab_keyboard (*klop_xcb_ungrab_keyboard)
#define xcb_ungrab_pointer (*klop_xcb_ungrab_pointer)
#define xcb_unmap_window (*klop_xcb_unmap_window)
#define xcb_visualtype_next (*klop_xcb_visualtype_next)
#define xcb_warp_pointer (*klop_xcb_warp_pointer)
#define xcb_xkb_per_client_flags (*klop_xcb_xkb_per_client_flags)
#define xcb_xkb_select_events (*klop_xcb_xkb_select_events)
#define xkb_x11_get_core_keyboard_device_id (*klop_xkb_x11_get_core_keyboard_device_id)
#define xkb_x11_keymap_new_from_device (*klop_xkb_x11_keymap_new_from_device)
#define xkb_x11_setup_xkb_extension (*klop_xkb_x11_setup_xkb_extension)

namespace platform::x11 {

// Opens the libraries (the core one by the name given) and resolves every pointer;
// false with the reason in `error`, the pointers then as they were. Each call that
// succeeds keeps the libraries loaded for the life of the process.
bool LoadX11Libraries(std::string& error, const char* xcb = "libxcb.so.1");

// The same for the keyboard's libraries (XKB), which the host opens at the first key.
bool LoadX11KeyboardLibraries(std::string& error);

}  // namespace platform::x11
