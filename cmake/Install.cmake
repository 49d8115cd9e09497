# What `cmake --install` puts where, and the Debian package made from it:
#   bin/                      the programs, the command lines (orvane-cli, rindle-cli) and
#                             the emulated programmer box
#   share/<program>/          the read-only files a program ships
#   share/applications/, share/icons/hicolor/scalable/apps/, share/metainfo/,
#   share/man/man1/           desktop entry, icon, AppStream data, manual page
#                             (the command lines' pages from data/man/)
#   share/doc/chipsuite/      the copyright file, the changelog and the example
#                             programs (examples/)

set(SUITE_DESKTOP_DIR ${PROJECT_SOURCE_DIR}/data/desktop)

foreach(program orvane rindle tollen)
  if(NOT TARGET ${program})
    continue()
  endif()
  install(TARGETS ${program} RUNTIME DESTINATION bin)
  install(FILES ${SUITE_DESKTOP_DIR}/${program}.desktop DESTINATION share/applications)
  install(FILES ${SUITE_DESKTOP_DIR}/${program}.svg DESTINATION share/icons/hicolor/scalable/apps)
  install(FILES ${SUITE_DESKTOP_DIR}/org.chipsuite.${program}.metainfo.xml DESTINATION share/metainfo)
endforeach()

foreach(program orvane-box-sim orvane-cli rindle-cli)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION bin)
  endif()
endforeach()

# Manual pages and the changelog go in compressed, as Debian has them:
# gzip -9 without a name or time stamp, so that the package is the same
# whenever it is built.
find_program(SUITE_GZIP gzip REQUIRED)
set(SUITE_PACKAGE_DOCS ${CMAKE_BINARY_DIR}/package-docs)
set(compressed)
function(suite_compressed source name destination)
  set(copy ${SUITE_PACKAGE_DOCS}/${name})
  add_custom_command(OUTPUT ${copy}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${SUITE_PACKAGE_DOCS}
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${copy}
    COMMAND ${SUITE_GZIP} -9nf ${copy}
    DEPENDS ${source}
    COMMENT "Compressing ${name}"
    VERBATIM)
  install(FILES ${copy}.gz DESTINATION ${destination})
  set(compressed ${compressed} ${copy}.gz PARENT_SCOPE)
endfunction()
foreach(program orvane rindle tollen orvane-box-sim)
  if(TARGET ${program})
    suite_compressed(${SUITE_DESKTOP_DIR}/${program}.1 ${program}.1 share/man/man1)
  endif()
endforeach()
# The command lines' pages.
foreach(program orvane-cli rindle-cli)
  if(TARGET ${program})
    suite_compressed(${PROJECT_SOURCE_DIR}/data/man/${program}.1 ${program}.1 share/man/man1)
  endif()
endforeach()
suite_compressed(${PROJECT_SOURCE_DIR}/data/debian/changelog changelog share/doc/chipsuite)
add_custom_target(suite_package_docs ALL DEPENDS ${compressed})

install(FILES ${PROJECT_SOURCE_DIR}/data/debian/copyright DESTINATION share/doc/chipsuite)
set(example_files)
foreach(file IN LISTS SUITE_EXAMPLE_IMAGES SUITE_EXAMPLE_SOURCES)
  list(APPEND example_files ${PROJECT_SOURCE_DIR}/examples/${file})
endforeach()
install(FILES ${example_files} DESTINATION share/doc/chipsuite/examples)

# The loader's model catalogue, device databases, placement pictures and
# user guide, as the build puts them beside the program.
if(TARGET orvane_data)
  install(FILES ${SUITE_BIN_DIR}/orvane.ini ${SUITE_BIN_DIR}/orvane.html DESTINATION share/orvane)
  install(DIRECTORY ${SUITE_BIN_DIR}/devices DESTINATION share/orvane)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME chipsuite)
# A plain Debian version; the changelog's newest entry names the same one.
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "microcontroller programmers: serial loader and ISP cable")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "orvane drives a serial programmer box that burns 8051 flash chips; rindle\n"
  "and tollen program AT89S and AVR chips in circuit through a simple cable\n"
  "on the parallel port. Each runs against simulated hardware with --simulate,\n"
  "and example programs for the ATmega8, ATtiny13 and AT89S51 are included.")
set(CPACK_PACKAGE_CONTACT "Chip suite developers <developers@chipsuite.invalid>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
# Run-time dependencies come from the shared-library scan of what is installed.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
