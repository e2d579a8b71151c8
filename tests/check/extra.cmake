# Installing into a scratch prefix puts the program, its menu entry, icons, manual pages and
# guides where desktops and man look for them. What the install takes is built with the tests.
add_dependencies(veloria_tests veloria-arc veloria-icons)
if(TARGET veloria-manpages)
  add_dependencies(veloria_tests veloria-manpages)
endif()
find_program(VELORIA_DESKTOP_VALIDATE desktop-file-validate)
add_test(NAME install_tree
  COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR} -DPREFIX=${CMAKE_CURRENT_BINARY_DIR}/install-test
          -DVALIDATE=${VELORIA_DESKTOP_VALIDATE} -P ${CMAKE_CURRENT_LIST_DIR}/install_test.cmake)
set_tests_properties(install_tree PROPERTIES TIMEOUT 120)
