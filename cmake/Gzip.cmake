# cmake -DGZIP=... -DIN=... -DOUT=... -P Gzip.cmake
# OUT is IN compressed as Debian keeps manual pages and changelogs: at the
# highest level and without the file's name and time, so that two builds give
# the same bytes. A script rather than a shell redirection, so that it runs the
# same under every generator and makes OUT's folder first.
get_filename_component(folder "${OUT}" DIRECTORY)
file(MAKE_DIRECTORY "${folder}")
execute_process(COMMAND "${GZIP}" -9nc "${IN}" OUTPUT_FILE "${OUT}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  file(REMOVE "${OUT}")
  message(FATAL_ERROR "gzip ${IN} failed: ${result}")
endif()
