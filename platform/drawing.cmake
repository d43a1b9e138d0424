list(APPEND KLOP_PLATFORM_SOURCES gdi.cpp resources.cpp)
