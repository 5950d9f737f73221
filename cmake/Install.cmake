# Installation and packages.
#
# Linux (cmake --install, and `make package` for a .deb built by CPack):
#   bin/sylvadra                                the program
#   libexec/xscreensaver/sylvadra               a link to it: the xscreensaver display mode
#   share/xscreensaver/config/sylvadra.xml      its settings page, made from the table of options
#   share/applications/sylvadra.desktop         a launcher of the settings dialog
#   share/man/man6/sylvadra.6.gz                the manual page
#   lib/systemd/user/sylvadra-wallpaper.{timer,service}, sylvadra-background.service
#                                               systemd user units (not enabled)
#   share/sylvadra/autostart/sylvadra-background.desktop
#                                               an autostart entry of the background,
#                                               copied to ~/.config/autostart to switch it on
#   share/doc/sylvadra/                         the licences
# Windows (the cross build; `make package` for a .zip built by CPack):
#   Sylvadra.scr, INSTALL-Windows.txt and the licences.

set(CPACK_PACKAGE_NAME sylvadra)
set(CPACK_PACKAGE_VENDOR "the Sylvadra developers")
set(CPACK_PACKAGE_CONTACT "Sylvadra developers <dev@sylvadra.example.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "landscape screen saver")
set(CPACK_PACKAGE_DESCRIPTION "Sylvadra composes a landscape at random from painted pictures - sky and \
clouds, hills, a sea or a river, a meadow, forests, towns and castles, trees, \
a house and fences - and brings it to life: the clouds drift, birds, \
butterflies, balloons and aircraft cross the sky, and flowers grow in the \
meadow. It covers every monitor, runs as an xscreensaver display mode with \
its own settings page, and has a settings dialog of its own (sylvadra /C).")
set(CPACK_PACKAGE_HOMEPAGE_URL ${PROJECT_HOMEPAGE_URL})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
# The packages carry the programs without their debugging information.
set(CPACK_STRIP_FILES ON)

if(WIN32)
  install(TARGETS sylvadra_scr RUNTIME DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/INSTALL-Windows.txt DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/font-1-LICENSE.txt DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME "Sylvadra-${PROJECT_VERSION}-win64")
else()
  include(GNUInstallDirs)

  # The settings page, written by a small program from the options table.
  add_executable(sylvadra_xscreensaver_page ${PROJECT_SOURCE_DIR}/packaging/xscreensaver_page.cpp)
  target_link_libraries(sylvadra_xscreensaver_page PRIVATE sylvadra_core)
  set(XS_PAGE ${CMAKE_BINARY_DIR}/packaging/sylvadra.xml)
  add_custom_command(
    OUTPUT ${XS_PAGE}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
    COMMAND sylvadra_xscreensaver_page ${XS_PAGE}
    DEPENDS sylvadra_xscreensaver_page
    COMMENT "Writing xscreensaver's settings page")
  # The manual page, its footer with the project's version, compressed as
  # Debian keeps them.
  set(MAN_PAGE ${CMAKE_BINARY_DIR}/packaging/man/sylvadra.6)
  configure_file(${PROJECT_SOURCE_DIR}/docs/sylvadra.6 ${MAN_PAGE} @ONLY)
  set(MAN_GZ ${CMAKE_BINARY_DIR}/packaging/sylvadra.6.gz)
  add_custom_command(
    OUTPUT ${MAN_GZ}
    COMMAND ${CMAKE_COMMAND} -E copy ${MAN_PAGE} ${CMAKE_BINARY_DIR}/packaging/sylvadra.6
    COMMAND gzip -9 -n -f ${CMAKE_BINARY_DIR}/packaging/sylvadra.6
    DEPENDS ${MAN_PAGE}
    VERBATIM)
  add_custom_target(sylvadra_install_files ALL DEPENDS ${XS_PAGE} ${MAN_GZ})

  if(SYLVADRA_TESTS)
    find_program(XMLLINT xmllint)
    if(XMLLINT)
      add_test(NAME xscreensaver_page_is_well_formed COMMAND ${XMLLINT} --noout ${XS_PAGE})
    endif()
    add_test(NAME systemd_units_verify
             COMMAND ${PROJECT_SOURCE_DIR}/tests/check-units.sh $<TARGET_FILE:sylvadra> ${PROJECT_SOURCE_DIR}/packaging)
    set_tests_properties(systemd_units_verify PROPERTIES SKIP_RETURN_CODE 77)
    # Every desktop entry passes desktop-file-validate without a word (a
    # warning fails as well); the package desktop-file-utils (make test-deps).
    file(GLOB DESKTOP_FILES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/packaging/*.desktop)
    add_test(NAME desktop_files_validate COMMAND desktop-file-validate ${DESKTOP_FILES})
    set_tests_properties(desktop_files_validate PROPERTIES FAIL_REGULAR_EXPRESSION ": (error|warning|hint): ")
    # The manual page's footer names this version.
    add_test(NAME man_page_version COMMAND grep -qF "\"Sylvadra ${PROJECT_VERSION}\" \"Games\"" ${MAN_PAGE})
  endif()

  install(TARGETS sylvadra RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # xscreensaver looks for its display modes in <prefix>/libexec/xscreensaver.
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/packaging/libexec)
  file(CREATE_LINK ../../${CMAKE_INSTALL_BINDIR}/sylvadra ${CMAKE_BINARY_DIR}/packaging/libexec/sylvadra SYMBOLIC)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/libexec/sylvadra DESTINATION libexec/xscreensaver)
  install(FILES ${XS_PAGE} DESTINATION ${CMAKE_INSTALL_DATADIR}/xscreensaver/config)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/sylvadra.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${MAN_GZ} DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
  # The systemd user units (not enabled): the timer and service of the
  # daily wallpaper, the service of the animated background. The services
  # run the program where this installation puts it: the prefix is the one
  # of the installation (/usr in the package), known only when it runs.
  foreach(service sylvadra-wallpaper.service sylvadra-wallpaper-daynight.service sylvadra-background.service)
    set(UNIT_SERVICE ${CMAKE_BINARY_DIR}/packaging/systemd/${service})
    install(CODE "
      file(READ \"${PROJECT_SOURCE_DIR}/packaging/${service}\" unit)
      string(REPLACE \"\nExecStart=/usr/bin/sylvadra \" \"\nExecStart=\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/sylvadra \" unit \"\${unit}\")
      file(WRITE \"${UNIT_SERVICE}\" \"\${unit}\")")
    install(FILES ${UNIT_SERVICE} DESTINATION lib/systemd/user)
  endforeach()
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/sylvadra-wallpaper.timer
                ${PROJECT_SOURCE_DIR}/packaging/sylvadra-wallpaper-daynight.timer DESTINATION lib/systemd/user)
  # The background's autostart entry, for the desktops without systemd's
  # graphical session: off until a user copies it to ~/.config/autostart.
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/sylvadra-background.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/sylvadra/autostart)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${PROJECT_SOURCE_DIR}/LICENSE
                ${PROJECT_SOURCE_DIR}/resources/font-1-LICENSE.txt
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/sylvadra)

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
  set(CPACK_DEBIAN_PACKAGE_SECTION misc)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS xscreensaver)
endif()

include(CPack)
