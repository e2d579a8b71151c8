# The test plug-ins (complete, and one exporting GetFileInfo only) and the archive tool's
# library for the round-trip tests.
foreach(variant full partial)
  add_library(veloria_test_plugin_${variant} MODULE ${CMAKE_CURRENT_LIST_DIR}/fixtures/test_plugin.cpp)
  target_include_directories(veloria_test_plugin_${variant} PRIVATE ${CMAKE_SOURCE_DIR}/src)
  set_target_properties(veloria_test_plugin_${variant} PROPERTIES PREFIX "" CXX_VISIBILITY_PRESET hidden)
  add_dependencies(veloria_tests veloria_test_plugin_${variant})
endforeach()
target_compile_definitions(veloria_test_plugin_partial PRIVATE VELORIA_TEST_PLUGIN_PARTIAL=1)
target_compile_definitions(veloria_tests PRIVATE
  VELORIA_TEST_PLUGIN="$<TARGET_FILE:veloria_test_plugin_full>"
  VELORIA_TEST_PLUGIN_PARTIAL="$<TARGET_FILE:veloria_test_plugin_partial>")
if(TARGET veloria_arc_lib)
  target_link_libraries(veloria_tests PRIVATE veloria_arc_lib)
endif()
