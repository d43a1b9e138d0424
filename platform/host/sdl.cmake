# The SDL2 host: the only library that links SDL (and, for window types, Xlib).
find_package(PkgConfig REQUIRED)
pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET GLOBAL sdl2)
find_package(X11 REQUIRED)

add_library(klop_sdl STATIC host/sdl_host.cpp host/sdl_keys.cpp host/sdl_x11.cpp)
target_link_libraries(klop_sdl PUBLIC klop_platform PRIVATE PkgConfig::SDL2 X11::X11)
