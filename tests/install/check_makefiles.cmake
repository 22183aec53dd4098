# cmake -DSOURCE_DIR=... -DBUILD=... -DPREFIX=... -P check_makefiles.cmake
# Unix Makefiles, unlike Ninja, makes no folder for a command's output: the
# packaging files are built and installed from a scratch build of that
# generator, without compiling the program.
find_program(MAKE NAMES gmake make)
if(NOT MAKE)
  message("SKIPPED: make is not installed")
  return()
endif()

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${ARGN} failed (${result}):\n${out}\n${err}")
  endif()
endfunction()

file(REMOVE_RECURSE ${BUILD} ${PREFIX})
run(${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${BUILD} -G "Unix Makefiles" -DCMAKE_MAKE_PROGRAM=${MAKE}
    -DBUILD_TESTING=OFF -DREELNOTE_BUILD_TOOLS=OFF)
foreach(target reelnote_manual reelnote_changelog)
  run(${CMAKE_COMMAND} --build ${BUILD} --target ${target})
endforeach()
run(${CMAKE_COMMAND} --install ${BUILD} --prefix ${PREFIX} --component packaging)

foreach(path bin/reelnote-desktop share/applications/reelnote.desktop
             share/metainfo/io.github.reelnote.metainfo.xml share/doc/reelnote/copyright
             share/doc/reelnote/changelog.Debian.gz)
  if(NOT EXISTS ${PREFIX}/${path})
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()
foreach(page reelnote reelnote-desktop)
  if(NOT EXISTS ${PREFIX}/share/man/man1/${page}.1.gz AND NOT EXISTS ${PREFIX}/share/man/man1/${page}.1)
    message(FATAL_ERROR "no manual page ${page}.1")
  endif()
endforeach()
file(GLOB_RECURSE objects ${BUILD}/*.o)
if(objects)
  message(FATAL_ERROR "the packaging targets compiled the program: ${objects}")
endif()
message(STATUS "packaging files built with Unix Makefiles and installed into ${PREFIX}")
