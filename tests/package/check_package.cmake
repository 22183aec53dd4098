# cmake -DCPACK=... -DBUILD_DIR=... -DOUT=... -DVERSION=... -P check_package.cmake
# VERSION is the package's, with its Debian revision.
find_program(DPKG_DEB dpkg-deb)
find_program(DPKG dpkg)
find_program(DPKG_SHLIBDEPS dpkg-shlibdeps)
if(NOT DPKG_DEB OR NOT DPKG)
  message("SKIPPED: dpkg-deb is not installed")
  return()
endif()
if(NOT DPKG_SHLIBDEPS)
  message("SKIPPED: dpkg-shlibdeps (dpkg-dev) is not installed, so no package can be made")
  return()
endif()

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${ARGN} failed (${result}):\n${out}\n${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
endfunction()

function(expect text what)
  string(FIND "${text}" "${what}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "expected \"${what}\" in:\n${text}")
  endif()
endfunction()

file(REMOVE_RECURSE ${OUT})
run(${CPACK} -G DEB --config ${BUILD_DIR}/CPackConfig.cmake -B ${OUT})
run(${DPKG} --print-architecture)
string(STRIP "${out}" arch)
set(deb ${OUT}/reelnote_${VERSION}_${arch}.deb)
if(NOT EXISTS ${deb})
  file(GLOB made ${OUT}/*.deb)
  message(FATAL_ERROR "no ${deb}; made: ${made}")
endif()

# The control fields: the libraries dpkg-shlibdeps found and what the program
# loads without linking it.
run(${DPKG_DEB} --field ${deb} Package Version Architecture Depends Recommends Section Maintainer)
set(control "${out}")
foreach(field "Package: reelnote" "Version: ${VERSION}" "Architecture: ${arch}"
              "Section: video" "Maintainer: " "libqt6core6" "libqt6widgets6" "libqt6svg6" "libqt6keychain1" "libc6"
              "fonts-noto-cjk | fonts-ipafont" "qt6-translations-l10n" "Recommends: libsecret-1-0")
  expect("${control}" "${field}")
endforeach()

# The files: everything under /usr, and each part of the program there.
run(${DPKG_DEB} --contents ${deb})
set(contents "${out}")
foreach(path usr/bin/reelnote usr/bin/reelnote-desktop usr/share/applications/reelnote.desktop
             usr/share/icons/hicolor/48x48/apps/reelnote.png
             usr/share/icons/hicolor/256x256/apps/reelnote.png
             usr/share/metainfo/io.github.reelnote.metainfo.xml
             usr/share/man/man1/reelnote.1.gz usr/share/man/man1/reelnote-desktop.1.gz
             usr/share/reelnote/help/index.html usr/share/doc/reelnote/copyright
             usr/share/doc/reelnote/changelog.Debian.gz)
  expect("${contents}" " ./${path}\n")
endforeach()
string(REGEX MATCHALL " \\./[^\n]*" paths "${contents}")
foreach(p IN LISTS paths)
  if(NOT p MATCHES "^ \\./(usr/.*)?$")
    message(FATAL_ERROR "a file outside /usr:${p}")
  endif()
endforeach()

# Unpacked: the entry starts the installed launcher, which starts the installed
# program; the metainfo is valid; the stripped program runs.
set(unpacked ${OUT}/unpacked)
run(${DPKG_DEB} -x ${deb} ${unpacked})
file(READ ${unpacked}/usr/share/applications/reelnote.desktop entry)
expect("${entry}" "Exec=\"/usr/bin/reelnote-desktop\"\n")
file(READ ${unpacked}/usr/bin/reelnote-desktop launcher)
expect("${launcher}" "exec '/usr/bin/reelnote'")
# The changelog's latest entry is this version's, signed by the maintainer.
find_program(GZIP gzip REQUIRED)
run(${GZIP} -dc ${unpacked}/usr/share/doc/reelnote/changelog.Debian.gz)
if(NOT control MATCHES "Maintainer: ([^\n]*)")
  message(FATAL_ERROR "no maintainer in:\n${control}")
endif()
set(maintainer "${CMAKE_MATCH_1}")
string(FIND "${out}" "reelnote (${VERSION}) " title)
string(FIND "${out}" "\n -- ${maintainer}  " signature)
string(FIND "${out}" "\nreelnote (" next)
if(NOT title EQUAL 0 OR signature EQUAL -1 OR (next GREATER -1 AND next LESS signature))
  message(FATAL_ERROR "the changelog's entry is not reelnote ${VERSION} by ${maintainer}:\n${out}")
endif()
# The metainfo names the licence, where the program lives and a screenshot.
file(READ ${unpacked}/usr/share/metainfo/io.github.reelnote.metainfo.xml metainfo)
foreach(element "<project_license>GPL-3.0-or-later</project_license>" "<url type=\"homepage\">"
                "<screenshot type=\"default\">")
  expect("${metainfo}" "${element}")
endforeach()
find_program(APPSTREAMCLI appstreamcli)
if(APPSTREAMCLI)
  run(${APPSTREAMCLI} validate --no-net
      ${unpacked}/usr/share/metainfo/io.github.reelnote.metainfo.xml)
else()
  message("appstreamcli is not installed: the metainfo file was not validated")
endif()
file(MAKE_DIRECTORY ${OUT}/empty)
execute_process(COMMAND ${unpacked}/usr/bin/reelnote --check ${OUT}/empty
                RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
expect("${out}" "タイトル0件、鑑賞履歴0件")  # and the missing data file is a finding
if(NOT result EQUAL 1)
  message(FATAL_ERROR "reelnote --check on an empty folder ended with ${result}:\n${out}${err}")
endif()

# Debian's checks of a package: no error and no warning.
find_program(LINTIAN lintian)
if(LINTIAN)
  execute_process(COMMAND ${LINTIAN} --fail-on error,warning ${deb}
                  RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "lintian ${deb} (${result}):\n${out}${err}")
  endif()
else()
  message("lintian is not installed: the package was not checked with it")
endif()

# As root, installed into a scratch root with its own package database, and removed.
execute_process(COMMAND id -u OUTPUT_VARIABLE uid OUTPUT_STRIP_TRAILING_WHITESPACE)
if(uid STREQUAL "0")
  set(root ${OUT}/root)
  file(MAKE_DIRECTORY ${root}/var/lib/dpkg/info ${root}/var/lib/dpkg/updates
       ${root}/var/lib/dpkg/triggers)
  file(TOUCH ${root}/var/lib/dpkg/status)
  # Its dependencies are not in the scratch database.
  run(${DPKG} --root=${root} --force-depends -i ${deb})
  run(${DPKG} --root=${root} -L reelnote)
  expect("${out}" "/usr/bin/reelnote\n")
  if(NOT EXISTS ${root}/usr/bin/reelnote OR NOT EXISTS ${root}/usr/share/man/man1/reelnote.1.gz)
    message(FATAL_ERROR "dpkg --root installed no program")
  endif()
  run(${DPKG} --root=${root} -r reelnote)
  if(EXISTS ${root}/usr/bin/reelnote)
    message(FATAL_ERROR "dpkg --root -r left the program behind")
  endif()
  message(STATUS "installed into and removed from ${root}")
else()
  message(STATUS "not root: the package was checked with dpkg-deb only")
endif()
message(STATUS "${deb}: ${control}")
