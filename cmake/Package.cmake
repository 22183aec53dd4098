# The Debian package: after a build, `cpack -G DEB` in the build folder makes
# reelnote_VERSION-1_ARCH.deb from the install rules. dpkg-shlibdeps (dpkg-dev)
# finds the libraries the program links; what it loads at run time without
# linking is named here.
set(CPACK_PACKAGE_NAME reelnote)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop catalogue of the films you own or have watched")
set(CPACK_PACKAGE_CONTACT "リールノート developers <reelnote@users.noreply.invalid>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Debian links programs with every relocation resolved at start, so that the
# table of them can be made read-only before the program runs.
set_property(TARGET reelnote APPEND PROPERTY LINK_OPTIONS LINKER:-z,now)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The first packaging of this version: a package of the program's own source,
# whose changes are in packaging/debian/changelog (installed as Debian keeps a
# package's changelog), licence in packaging/debian/copyright.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://github.com/reelnote/reelnote)
# What `cmake --install` installs, and the lintian overrides that only the
# package carries.
set(CPACK_INSTALL_CMAKE_PROJECTS
    "${PROJECT_BINARY_DIR};${PROJECT_NAME};ALL;/" "${PROJECT_BINARY_DIR};${PROJECT_NAME};debian;/")
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The interface is Japanese: a Japanese font to draw it, and Qt's own
# translations for the standard buttons and dialogs.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-noto-cjk | fonts-ipafont, qt6-translations-l10n")
# The secret store reaches the desktop's keyring through libsecret, which it
# loads at run time; without it a TMDb key lasts only for the run.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libsecret-1-0")
# The first line of the control file's description is the summary above.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "One title card at a time: director, lead actor, release date, country,\n\
genre, an overall mark, seven scores of your own drawn as coloured bars,\n\
four ownership flags, a poster, cast, synopsis, memo and every viewing.\n\
Around it are sortable lists, rankings, a viewing list with its counts,\n\
a search, a picture gallery and charts. The interface is Japanese; the\n\
data stay in plain text files in a folder of the user's choice.")

include(CPack)
