# cmake -DBUILD_DIR=... -DPREFIX=... -P check_install.cmake
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

function(expect_file path)
  if(NOT EXISTS ${PREFIX}/${path})
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endfunction()

expect_file(bin/reelnote)
expect_file(bin/reelnote-desktop)
expect_file(share/reelnote/help/index.html)
foreach(size 16 22 24 32 48 64 128 256)
  expect_file(share/icons/hicolor/${size}x${size}/apps/reelnote.png)
endforeach()
expect_file(share/applications/reelnote.desktop)
expect_file(share/metainfo/io.github.reelnote.metainfo.xml)
if(NOT EXISTS ${PREFIX}/share/man/man1/reelnote.1.gz)
  expect_file(share/man/man1/reelnote.1)
endif()

file(READ ${PREFIX}/share/applications/reelnote.desktop entry)
foreach(line "[Desktop Entry]" "Type=Application" "Name=リールノート" "Icon=reelnote"
             "Comment=" "Comment[ja]=" "Categories=AudioVideo;"
             "Exec=${PREFIX}/bin/reelnote-desktop")
  string(FIND "${entry}" "${line}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the desktop entry lacks \"${line}\":\n${entry}")
  endif()
endforeach()

file(READ ${PREFIX}/bin/reelnote-desktop launcher)
string(FIND "${launcher}" "exec \"${PREFIX}/bin/reelnote\"" at)
if(at EQUAL -1)
  message(FATAL_ERROR "the launcher does not start the installed program:\n${launcher}")
endif()
message(STATUS "installed into ${PREFIX}")
