# The help document travels with the program: it is copied next to the
# executable at build time (the program looks for help/index.html beside
# itself first) and installed into the shared data folder, where an installed
# program finds it as ../share/reelnote/help.
include(GNUInstallDirs)

set(REELNOTE_HELP_SOURCE_DIR ${PROJECT_SOURCE_DIR}/docs/help)
set(REELNOTE_HELP_BUILD_DIR ${PROJECT_BINARY_DIR}/help)

# CONFIGURE_DEPENDS: a page or picture added to docs/help is picked up
# without a manual re-run of CMake.
file(GLOB_RECURSE REELNOTE_HELP_SOURCES CONFIGURE_DEPENDS
  LIST_DIRECTORIES false ${REELNOTE_HELP_SOURCE_DIR}/*)

# One copy command per file, so that an edited page is copied again and an
# unchanged one is left alone.
set(reelnote_help_outputs)
foreach(source IN LISTS REELNOTE_HELP_SOURCES)
  file(RELATIVE_PATH relative ${REELNOTE_HELP_SOURCE_DIR} ${source})
  set(target_file ${REELNOTE_HELP_BUILD_DIR}/${relative})
  add_custom_command(
    OUTPUT ${target_file}
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${target_file}
    DEPENDS ${source}
    COMMENT "Copying help/${relative}"
    VERBATIM)
  list(APPEND reelnote_help_outputs ${target_file})
endforeach()

add_custom_target(reelnote_help ALL DEPENDS ${reelnote_help_outputs})
# Building only the program (--target reelnote) still brings its help along.
if(TARGET reelnote)
  add_dependencies(reelnote reelnote_help)
endif()

install(DIRECTORY ${REELNOTE_HELP_SOURCE_DIR}/
  DESTINATION ${CMAKE_INSTALL_DATADIR}/reelnote/help)
