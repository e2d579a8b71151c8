# pixman is only the yardstick of the composition benchmark; the engine never links it.
pkg_check_modules(PIXMAN IMPORTED_TARGET pixman-1)
if(PIXMAN_FOUND AND TARGET bench_graphics_compose)
  target_link_libraries(bench_graphics_compose PRIVATE PkgConfig::PIXMAN)
elseif(TARGET bench_graphics_compose)
  message(WARNING "pixman-1 not found: bench_graphics_compose is left out (apt-get install libpixman-1-dev)")
  set_target_properties(bench_graphics_compose PROPERTIES EXCLUDE_FROM_ALL TRUE)
endif()
# The play-test benchmark plays the bundled demo.
if(TARGET bench_playtest)
  target_compile_definitions(bench_playtest PRIVATE VELORIA_DEMO_DIR="${CMAKE_SOURCE_DIR}/demo")
endif()
