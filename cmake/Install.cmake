# What `cmake --install` puts where, and the Debian package made from it:
#   bin/                      the programs and the emulated programmer box
#   share/<program>/          the read-only files a program ships
#   share/applications/, share/icons/hicolor/scalable/apps/, share/metainfo/,
#   share/man/man1/           desktop entry, icon, AppStream data, manual page

set(SUITE_DESKTOP_DIR ${PROJECT_SOURCE_DIR}/data/desktop)

foreach(program orvane rindle tollen)
  if(NOT TARGET ${program})
    continue()
  endif()
  install(TARGETS ${program} RUNTIME DESTINATION bin)
  install(FILES ${SUITE_DESKTOP_DIR}/${program}.desktop DESTINATION share/applications)
  install(FILES ${SUITE_DESKTOP_DIR}/${program}.svg DESTINATION share/icons/hicolor/scalable/apps)
  install(FILES ${SUITE_DESKTOP_DIR}/org.chipsuite.${program}.metainfo.xml DESTINATION share/metainfo)
  install(FILES ${SUITE_DESKTOP_DIR}/${program}.1 DESTINATION share/man/man1)
endforeach()

if(TARGET orvane-box-sim)
  install(TARGETS orvane-box-sim RUNTIME DESTINATION bin)
endif()

# The loader's model catalogue, device databases, placement pictures and
# user guide, as the build puts them beside the program.
if(TARGET orvane_data)
  install(FILES ${SUITE_BIN_DIR}/orvane.ini ${SUITE_BIN_DIR}/orvane.html DESTINATION share/orvane)
  install(DIRECTORY ${SUITE_BIN_DIR}/devices DESTINATION share/orvane)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME chipsuite)
set(CPACK_PACKAGE_VERSION "${ORVANE_VERSION}+rindle${RINDLE_VERSION}+tollen${TOLLEN_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Microcontroller programming suite: serial loader and parallel-port ISP programmers")
set(CPACK_PACKAGE_DESCRIPTION "orvane drives a programmer box over a serial port; rindle and tollen program AT89S and AVR chips in circuit through a cable on the parallel port.")
set(CPACK_PACKAGE_CONTACT "Chip suite developers <developers@chipsuite.invalid>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
# Run-time dependencies come from the shared-library scan of what is installed.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
