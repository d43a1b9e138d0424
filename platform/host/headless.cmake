add_library(klop_headless STATIC host/headless.cpp)
target_link_libraries(klop_headless PUBLIC klop_platform)
