# The whole-program storm and the soak: a driver on the headless host, shared by the
# fuzz target and the tests (storm_tests).
add_library(klop_storm STATIC ${CMAKE_CURRENT_LIST_DIR}/storm.cpp)
target_link_libraries(klop_storm PUBLIC klop_shell klop_headless klop_game_support)

if(COMMAND klop_fuzz_target)
  klop_fuzz_target(storm SOURCES storm_fuzz.cpp LIBS klop_storm)
endif()
