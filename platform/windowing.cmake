list(APPEND KLOP_PLATFORM_SOURCES
  window_manager.cpp window_geometry.cpp window_state.cpp def_window_proc.cpp
  message_queue.cpp timers.cpp paint.cpp mouse.cpp keyboard.cpp)
