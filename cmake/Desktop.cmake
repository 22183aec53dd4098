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
# They and the files below form the component "packaging", which installs
# without a build of the program.
install(CODE "
  set(SOURCE_DIR \"${PROJECT_SOURCE_DIR}\")
  set(BINARY_DIR \"${PROJECT_BINARY_DIR}\")
  set(BINDIR \"${CMAKE_INSTALL_BINDIR}\")
  include(\"${PROJECT_SOURCE_DIR}/cmake/DesktopEntry.cmake\")
" COMPONENT packaging)
install(PROGRAMS ${PROJECT_BINARY_DIR}/packaging/reelnote-desktop
        DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT packaging)
install(FILES ${PROJECT_BINARY_DIR}/packaging/reelnote.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT packaging)

# What software centres read about the program, the manual pages of the
# program and its launcher, the licence and the Debian changelog; the pages
# and the changelog compressed, as Debian keeps them, where gzip is at hand.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/io.github.reelnote.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT packaging)
find_program(REELNOTE_GZIP gzip)
# Sets out to the file to install for source: source itself without gzip,
# else its compressed copy output.
function(reelnote_compressed source output out)
  if(NOT REELNOTE_GZIP)
    set(${out} ${source} PARENT_SCOPE)
    return()
  endif()
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DGZIP=${REELNOTE_GZIP} -DIN=${source} -DOUT=${output}
            -P ${PROJECT_SOURCE_DIR}/cmake/Gzip.cmake
    DEPENDS ${source} ${PROJECT_SOURCE_DIR}/cmake/Gzip.cmake
    COMMENT "Compressing ${output}"
    VERBATIM)
  set(${out} ${output} PARENT_SCOPE)
endfunction()

set(reelnote_manuals)
foreach(page reelnote reelnote-desktop)
  reelnote_compressed(${PROJECT_SOURCE_DIR}/packaging/${page}.1
                      ${PROJECT_BINARY_DIR}/packaging/${page}.1.gz manual)
  list(APPEND reelnote_manuals ${manual})
endforeach()
add_custom_target(reelnote_manual ALL DEPENDS ${reelnote_manuals})
install(FILES ${reelnote_manuals} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT packaging)

reelnote_compressed(${PROJECT_SOURCE_DIR}/packaging/debian/changelog
                    ${PROJECT_BINARY_DIR}/packaging/changelog.Debian.gz changelog)
add_custom_target(reelnote_changelog ALL DEPENDS ${changelog})
if(REELNOTE_GZIP)
  set(changelog_name changelog.Debian.gz)
else()
  set(changelog_name changelog.Debian)
endif()
install(FILES ${changelog} DESTINATION ${CMAKE_INSTALL_DOCDIR} RENAME ${changelog_name}
        COMPONENT packaging)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/copyright
        DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT packaging)
# Only for the Debian package (see Package.cmake), not for `cmake --install`.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/reelnote.lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME reelnote
        COMPONENT debian EXCLUDE_FROM_ALL)
