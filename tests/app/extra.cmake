# The real window, once, under a virtual X server.
find_program(VELORIA_XVFB Xvfb)
find_program(VELORIA_XWD xwd)
if(VELORIA_WITH_SDL AND VELORIA_XVFB AND VELORIA_XWD)
  add_test(NAME xvfb_smoke COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/smoke/xvfb_smoke.sh $<TARGET_FILE:veloria>)
  set_tests_properties(xvfb_smoke PROPERTIES TIMEOUT 120 LABELS smoke)
else()
  message(STATUS "Xvfb/xwd or SDL missing: the window smoke test is not registered")
endif()
