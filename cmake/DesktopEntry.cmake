# Run by `cmake --install`: writes the menu entry and its launcher for the
# prefix installed into. Expects SOURCE_DIR, BINARY_DIR and BINDIR.
set(bindir "${CMAKE_INSTALL_PREFIX}/${BINDIR}")
if(bindir MATCHES "\n")
  message(FATAL_ERROR "A menu entry cannot name a program in a folder with a line break: ${bindir}")
endif()

# The launcher's one argument in the entry's Exec line: in double quotes, with
# " ` $ and \ escaped and % doubled, and then, since the value is a string,
# every backslash doubled again.
function(desktop_exec_argument value out)
  string(REPLACE "\\" "\\\\" v "${value}")
  string(REPLACE "\"" "\\\"" v "${v}")
  string(REPLACE "`" "\\`" v "${v}")
  string(REPLACE "$" "\\$" v "${v}")
  string(REPLACE "%" "%%" v "${v}")
  string(REPLACE "\\" "\\\\" v "\"${v}\"")
  set(${out} "${v}" PARENT_SCOPE)
endfunction()

# A word of a shell script: in single quotes, each ' written as '\''.
function(shell_word value out)
  string(REPLACE "'" "'\\''" v "${value}")
  set(${out} "'${v}'" PARENT_SCOPE)
endfunction()

shell_word("${bindir}/reelnote" REELNOTE_EXECUTABLE)
desktop_exec_argument("${bindir}/reelnote-desktop" REELNOTE_LAUNCHER)
configure_file("${SOURCE_DIR}/packaging/reelnote-desktop.in"
               "${BINARY_DIR}/packaging/reelnote-desktop" @ONLY)
configure_file("${SOURCE_DIR}/packaging/reelnote.desktop.in"
               "${BINARY_DIR}/packaging/reelnote.desktop" @ONLY)
