# What `cmake --install` puts on an operator's machine, and the Debian package CPack makes of it
# (`cpack -G DEB` in the build folder). Included from the top-level CMakeLists.txt after the
# executables `tovra`, `tovra-sim` and `tovractl` are defined.
include(GNUInstallDirs)

set(TOVRA_APP_ID com.marovane.tovra)
set(TOVRA_PACKAGE tovra)
set(TOVRA_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/${TOVRA_PACKAGE})
set(TOVRA_ICON_SIZES 16 24 32 48 64 128 256)
set(packaging ${CMAKE_CURRENT_LIST_DIR})
set(staged ${CMAKE_BINARY_DIR}/packaging)

install(TARGETS tovra tovra-sim tovractl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# Relocations resolved at start and then made read-only, as Debian builds its programs.
foreach(executable tovra tovra-sim tovractl)
  target_link_options(${executable} PRIVATE LINKER:-z,relro,-z,now)
endforeach()

# Desktop entry, AppStream metadata and the icon in each size the icon theme looks for.
configure_file(${packaging}/${TOVRA_APP_ID}.metainfo.xml.in ${staged}/${TOVRA_APP_ID}.metainfo.xml @ONLY)
install(FILES ${packaging}/${TOVRA_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
install(FILES ${staged}/${TOVRA_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo)
foreach(size IN LISTS TOVRA_ICON_SIZES)
  install(FILES ${PROJECT_SOURCE_DIR}/assets/icon/tovra-${size}.png
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/${size}x${size}/apps
    RENAME ${TOVRA_APP_ID}.png)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/assets/icon/tovra.svg
  DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps
  RENAME ${TOVRA_APP_ID}.svg)

# Manual pages and the changelog go compressed, without a time stamp in the gzip header (-n),
# so that the same sources always give the same package.
find_program(GZIP gzip REQUIRED)
set(compressed)
foreach(page tovra.1 tovra-sim.1 tovractl.1 changelog)
  if(page STREQUAL "changelog")
    configure_file(${packaging}/changelog.in ${staged}/changelog @ONLY)
  else()
    configure_file(${packaging}/${page} ${staged}/${page} @ONLY)
  endif()
  add_custom_command(OUTPUT ${staged}/${page}.gz
    COMMAND ${GZIP} -9 -n -c ${staged}/${page} > ${staged}/${page}.gz
    DEPENDS ${staged}/${page}
    VERBATIM)
  list(APPEND compressed ${staged}/${page}.gz)
endforeach()
add_custom_target(tovra_compressed_docs ALL DEPENDS ${compressed})
install(FILES ${staged}/tovra.1.gz ${staged}/tovra-sim.1.gz ${staged}/tovractl.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The headless program as a service of the user's session (systemctl --user).
install(FILES ${packaging}/tovra.service DESTINATION lib/systemd/user)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${packaging}/copyright ${staged}/changelog.gz
  DESTINATION ${TOVRA_DOC_DIR})

# The Debian package. Its dependencies are the packages of the shared libraries the executables
# load, as dpkg-shlibdeps finds them: runtime libraries only, never a -dev package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${TOVRA_PACKAGE})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Marovane)
set(CPACK_PACKAGE_CONTACT "Marovane <tovra@marovane.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "control program for Q-switched pulsed Tovra lasers")
# The extended description, in lines short enough for package tools to show unwrapped.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Tovra Laser Control drives a diode-pumped, Q-switched pulsed Tovra laser"
  "over its serial line (RS-232 or a USB virtual COM port). It finds the laser,"
  "reads its identity, sets every operating parameter, enables and fires the"
  "laser, polls its status, keeps settings bins, offers a raw command terminal"
  "and records a communication log and a data file. It runs with a window or"
  "headless as a user service, and serves a control API (JSON-RPC over a Unix"
  "socket) that tovractl and lab scripts use."
  "."
  "The package also holds tovra-sim, a simulated laser on a pseudo-terminal,"
  "for trying the program out without hardware.")
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://www.marovane.com/)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The history opens its database through Qt SQL's SQLite driver, a plugin that no library links.
set(CPACK_DEBIAN_PACKAGE_DEPENDS libqt6sql6-sqlite)
# lintian finds no error and no warning, so nothing is overridden. What remains are notes:
# hardening-no-fortify-functions (the build does not take Debian's dpkg-buildflags, so the code is
# compiled without _FORTIFY_SOURCE) and binary-has-unneeded-section .comment (the compiler's
# version string, which stripping keeps).
# The Tahoma of Wine's fonts gives the windows their intended look; without it Qt picks a
# similar sans-serif font.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-wine)
include(CPack)
