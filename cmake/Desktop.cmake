# The desktop's menu entry, its launcher and the icon in the sizes desktops use.
# `cmake --install build --prefix ~/.local` installs them for one user.
add_executable(reelnote-icons ${PROJECT_SOURCE_DIR}/tools/icons/main.cpp)
target_link_libraries(reelnote-icons PRIVATE reelnote_gui)

set(REELNOTE_ICON_DIR ${PROJECT_BINARY_DIR}/icons)
set(reelnote_icon_files)
foreach(size 16 22 24 32 48 64 128 256)
  list(APPEND reelnote_icon_files ${REELNOTE_ICON_DIR}/${size}x${size}/apps/reelnote.png)
endforeach()
add_custom_command(
  OUTPUT ${reelnote_icon_files}
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen $<TARGET_FILE:reelnote-icons>
          ${REELNOTE_ICON_DIR}
  DEPENDS reelnote-icons
  COMMENT "Drawing the program's icons"
  VERBATIM)
add_custom_target(reelnote_icons ALL DEPENDS ${reelnote_icon_files})

install(DIRECTORY ${REELNOTE_ICON_DIR}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)

# The entry and its launcher name the installed program by its full path, which
# is known only when installing (`--prefix` may differ from the configured one).
install(CODE "
  set(SOURCE_DIR \"${PROJECT_SOURCE_DIR}\")
  set(BINARY_DIR \"${PROJECT_BINARY_DIR}\")
  set(BINDIR \"${CMAKE_INSTALL_BINDIR}\")
  include(\"${PROJECT_SOURCE_DIR}/cmake/DesktopEntry.cmake\")
")
install(PROGRAMS ${PROJECT_BINARY_DIR}/packaging/reelnote-desktop
        DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_BINARY_DIR}/packaging/reelnote.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

# What software centres read about the program, and its manual page
# (compressed, as Debian keeps manual pages, where gzip is at hand).
install(FILES ${PROJECT_SOURCE_DIR}/packaging/io.github.reelnote.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
find_program(REELNOTE_GZIP gzip)
if(REELNOTE_GZIP)
  set(reelnote_manual ${PROJECT_BINARY_DIR}/packaging/reelnote.1.gz)
  add_custom_command(
    OUTPUT ${reelnote_manual}
    COMMAND ${REELNOTE_GZIP} -9nc ${PROJECT_SOURCE_DIR}/packaging/reelnote.1 > ${reelnote_manual}
    DEPENDS ${PROJECT_SOURCE_DIR}/packaging/reelnote.1
    COMMENT "Compressing the manual page")
else()
  set(reelnote_manual ${PROJECT_SOURCE_DIR}/packaging/reelnote.1)
endif()
add_custom_target(reelnote_manual ALL DEPENDS ${reelnote_manual})
install(FILES ${reelnote_manual} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
