# Where `cmake --install` puts Tolvern, and the packages CPack makes of it.
#
# On Linux (GNU layout below the prefix):
#   bin/tolvern, bin/tolvern-gui        the programs (tolvern-gui where Qt is)
#   lib/tolvern/                        the expert module, and the GUI host
#                                       beside it (it loads the module from its
#                                       own folder; bin/tolvern-gui links to it)
#   share/tolvern/profiles, schemas     the built-in profiles, the profile and
#                                       report schemas
#   share/doc/tolvern/                  README, the documents, the licence
#   share/man/man1/tolvern.1            the manual page
#   share/bash-completion/completions/  completion for bash
# On Windows every file lands in the one installation folder, the programs,
# the expert DLL and the host side by side, with profiles\ and schemas\ and the
# documents beside them: scripts/package-windows.sh makes the installer and
# the zip of it.
#
# The installed programs need nothing from the build or source tree: the
# built-in profiles are compiled in, the data files are there to read and to
# pass to --profile.
include(GNUInstallDirs)

if(WIN32)
  set(TOLVERN_INSTALL_BINDIR .)
  set(TOLVERN_INSTALL_MODULEDIR .)
  set(TOLVERN_INSTALL_DATADIR .)
  set(TOLVERN_INSTALL_DOCDIR doc)
else()
  set(TOLVERN_INSTALL_BINDIR ${CMAKE_INSTALL_BINDIR})
  set(TOLVERN_INSTALL_MODULEDIR ${CMAKE_INSTALL_LIBDIR}/tolvern)
  set(TOLVERN_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/tolvern)
  set(TOLVERN_INSTALL_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/tolvern)
endif()

# The command line and everything a user of it reads: component "cli".
install(TARGETS tolvern RUNTIME DESTINATION ${TOLVERN_INSTALL_BINDIR} COMPONENT cli)
install(FILES ${TOLVERN_PROFILES} DESTINATION ${TOLVERN_INSTALL_DATADIR}/profiles COMPONENT cli)
install(FILES ${PROJECT_SOURCE_DIR}/docs/profile.schema.json ${PROJECT_SOURCE_DIR}/docs/report.schema.json
        DESTINATION ${TOLVERN_INSTALL_DATADIR}/schemas COMPONENT cli)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${TOLVERN_INSTALL_DOCDIR} COMPONENT cli)
install(FILES ${PROJECT_SOURCE_DIR}/docs/profiles.md ${PROJECT_SOURCE_DIR}/docs/report-format.md
              ${PROJECT_SOURCE_DIR}/docs/todo-list.md ${PROJECT_SOURCE_DIR}/docs/safety.md
              ${PROJECT_SOURCE_DIR}/docs/aliases.md
        DESTINATION ${TOLVERN_INSTALL_DOCDIR} COMPONENT cli)
foreach(licence LICENSE LICENSE.txt LICENSE.md COPYING)
  if(EXISTS ${PROJECT_SOURCE_DIR}/${licence})
    install(FILES ${PROJECT_SOURCE_DIR}/${licence} DESTINATION ${TOLVERN_INSTALL_DOCDIR} COMPONENT cli)
  endif()
endforeach()
if(NOT WIN32)
  install(FILES ${PROJECT_SOURCE_DIR}/docs/tolvern.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
          COMPONENT cli)
  install(FILES ${PROJECT_SOURCE_DIR}/scripts/tolvern-completion.bash
          DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME tolvern
          COMPONENT cli)
endif()

# The wizard, its host and the expert module, where they are built:
# component "gui".
if(TARGET tolvern_expert)
  # A DLL's import library is of no use to a user: component "devel", which
  # no package takes.
  install(TARGETS tolvern_expert LIBRARY DESTINATION ${TOLVERN_INSTALL_MODULEDIR} COMPONENT gui
          RUNTIME DESTINATION ${TOLVERN_INSTALL_MODULEDIR} COMPONENT gui
          ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT devel)
endif()
foreach(program tolvern-wizard tolvern-host)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${TOLVERN_INSTALL_BINDIR} COMPONENT gui)
  endif()
endforeach()
if(TARGET tolvern-gui)
  # The Qt host looks for the expert module in its own folder.
  install(TARGETS tolvern-gui RUNTIME DESTINATION ${TOLVERN_INSTALL_MODULEDIR} COMPONENT gui)
  if(NOT WIN32)
    file(RELATIVE_PATH gui_target /${TOLVERN_INSTALL_BINDIR} /${TOLVERN_INSTALL_MODULEDIR}/tolvern-gui)
    install(CODE "
      set(bindir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${TOLVERN_INSTALL_BINDIR}\")
      file(MAKE_DIRECTORY \"\${bindir}\")
      file(CREATE_LINK \"${gui_target}\" \"\${bindir}/tolvern-gui\" SYMBOLIC)
      list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${bindir}/tolvern-gui\")"
      COMPONENT gui)
  endif()
endif()

# Packages: a .deb per component (tolvern, and tolvern-gui where Qt is), their
# library dependencies found by dpkg-shlibdeps.
set(CPACK_PACKAGE_NAME tolvern)
set(CPACK_PACKAGE_VENDOR "Tolvern")
set(CPACK_PACKAGE_CONTACT "Tolvern developers <tolvern@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Migrates Object Pascal applications from BDE and ADO components to Nexa")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR TGZ)
if(NOT WIN32)
  list(APPEND CPACK_GENERATOR DEB)
endif()
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://example.invalid/tolvern")
set(CPACK_DEBIAN_CLI_PACKAGE_NAME tolvern)
set(CPACK_DEBIAN_GUI_PACKAGE_NAME tolvern-gui)
set(CPACK_DEBIAN_GUI_PACKAGE_DEPENDS "tolvern (= ${PROJECT_VERSION})")
set(CPACK_COMPONENT_CLI_DESCRIPTION
    "The tolvern command: migrate, to-do list, aliases, restore, form conversion, profiles")
set(CPACK_COMPONENT_GUI_DESCRIPTION "The migration wizard, its host window and the expert module")
set(CPACK_COMPONENTS_ALL cli)
if(TARGET tolvern_expert OR TARGET tolvern-gui OR TARGET tolvern-host OR TARGET tolvern-wizard)
  list(APPEND CPACK_COMPONENTS_ALL gui)
endif()
set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
include(CPack)

# What a user gets: the installation in a scratch prefix, the manual page
# against the program's help, and the Debian packages.
if(TOLVERN_BUILD_TESTS AND UNIX AND NOT CMAKE_CROSSCOMPILING)
  find_program(TOLVERN_BASH bash)
  add_test(NAME install_tree COMMAND ${TOLVERN_BASH} ${PROJECT_SOURCE_DIR}/scripts/check-install.sh
           ${CMAKE_BINARY_DIR} ${PROJECT_VERSION})
  add_test(NAME man_page COMMAND ${TOLVERN_BASH} ${PROJECT_SOURCE_DIR}/scripts/check-man-page.sh
           $<TARGET_FILE:tolvern>)
  find_program(TOLVERN_DPKG_DEB dpkg-deb)
  if(TOLVERN_DPKG_DEB)
    add_test(NAME package_deb COMMAND ${TOLVERN_BASH} ${PROJECT_SOURCE_DIR}/scripts/check-deb.sh
             ${CMAKE_BINARY_DIR} ${PROJECT_VERSION})
  endif()
endif()
