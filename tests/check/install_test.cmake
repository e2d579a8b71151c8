# cmake -DBUILD_DIR=... -DPREFIX=... [-DVALIDATE=desktop-file-validate] -P install_test.cmake
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${err}")
endif()

set(expected
  bin/veloria
  bin/veloria-arc
  share/applications/veloria.desktop
  share/man/man1/veloria.1
  share/man/man1/veloria-arc.1
  share/doc/veloria/README.md
  share/doc/veloria/authoring.md
  share/doc/veloria/automation.md
  share/doc/veloria/scripting.md)
foreach(size 16 24 32 48 64 128 256)
  list(APPEND expected share/icons/hicolor/${size}x${size}/apps/veloria.png)
endforeach()
foreach(f ${expected})
  if(NOT EXISTS ${PREFIX}/${f})
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()

# Each icon is a PNG of its own size (the width stands in the IHDR chunk at byte 16).
foreach(size 16 48 256)
  file(READ ${PREFIX}/share/icons/hicolor/${size}x${size}/apps/veloria.png head HEX LIMIT 24)
  string(SUBSTRING "${head}" 0 16 signature)
  string(SUBSTRING "${head}" 32 8 width)
  math(EXPR width "0x${width}")
  if(NOT signature STREQUAL "89504e470d0a1a0a" OR NOT width EQUAL size)
    message(FATAL_ERROR "icon ${size}: not a ${size}-pixel PNG")
  endif()
endforeach()

file(READ ${PREFIX}/share/applications/veloria.desktop desktop)
if(NOT desktop MATCHES "\nExec=veloria " OR NOT desktop MATCHES "\nIcon=veloria\n")
  message(FATAL_ERROR "the desktop entry does not name the installed program and icon")
endif()
if(VALIDATE)
  execute_process(COMMAND ${VALIDATE} ${PREFIX}/share/applications/veloria.desktop RESULT_VARIABLE rc OUTPUT_VARIABLE out
                  ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "desktop-file-validate: ${out}")
  endif()
endif()

file(STRINGS ${PREFIX}/share/man/man1/veloria.1 man LIMIT_COUNT 1)
if(NOT man MATCHES "^\\.TH \"VELORIA\" \"1\"")
  message(FATAL_ERROR "veloria.1 is no manual page: ${man}")
endif()

execute_process(COMMAND ${PREFIX}/bin/veloria --version RESULT_VARIABLE rc OUTPUT_VARIABLE out)
if(NOT rc EQUAL 0 OR NOT out MATCHES "^veloria [0-9]")
  message(FATAL_ERROR "the installed program does not run: ${out}")
endif()
file(REMOVE_RECURSE ${PREFIX})
