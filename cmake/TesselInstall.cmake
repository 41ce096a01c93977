# What an installation holds and where (`cmake --install`, `make install`, the package):
#   bin/tessel                                 the program
#   lib/<multiarch>/tessel/libtessel.so        the component, loaded by path through the registry
#   lib/<multiarch>/tessel/libtessel-*.so.N    the libraries the program and the component share
#   lib/<multiarch>/tessel/tessel.tlb          the type library
#   share/man/man1/tessel.1.gz                 the manual page, written by the program from its help
#   share/bash-completion/completions/tessel   bash completion, written the same way
#   share/tessel/                              the interface description and the database schemas
#   share/doc/tessel/                          the README and its pictures, copyright, changelog.gz
# The libraries are the program's own, so they live in a private folder that nothing else searches:
# every installed binary finds them through an $ORIGIN-relative RUNPATH and carries no path of the
# build tree. The program finds the component beside the automation runtime it was loaded with.
include(GNUInstallDirs)

# Below the machine's multiarch folder wherever the installation goes, as Debian keeps private
# libraries: a folder directly below lib/ would have the package's scripts run ldconfig for it.
if(CMAKE_LIBRARY_ARCHITECTURE AND CMAKE_INSTALL_LIBDIR STREQUAL "lib")
  set(TESSEL_INSTALL_PRIVATE_LIBDIR lib/${CMAKE_LIBRARY_ARCHITECTURE}/tessel)
else()
  set(TESSEL_INSTALL_PRIVATE_LIBDIR ${CMAKE_INSTALL_LIBDIR}/tessel)
endif()
file(RELATIVE_PATH tessel_bin_to_private /${CMAKE_INSTALL_BINDIR} /${TESSEL_INSTALL_PRIVATE_LIBDIR})

# Names of our own, versioned, so that none of them can be taken for another project's library.
foreach(library automation dataaccess)
  set_target_properties(${library} PROPERTIES OUTPUT_NAME tessel-${library})
endforeach()
set_target_properties(tessel_ui PROPERTIES OUTPUT_NAME tessel-ui)
set_target_properties(automation dataaccess tessel_ui PROPERTIES
  VERSION ${PROJECT_VERSION}
  SOVERSION ${PROJECT_VERSION_MAJOR}
  INSTALL_RPATH "$ORIGIN")
set_target_properties(tessel PROPERTIES INSTALL_RPATH "$ORIGIN")
set_target_properties(tessel_host PROPERTIES INSTALL_RPATH "$ORIGIN/${tessel_bin_to_private}")

install(TARGETS tessel_host RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS automation dataaccess tessel_ui tessel
  LIBRARY DESTINATION ${TESSEL_INSTALL_PRIVATE_LIBDIR} NAMELINK_SKIP)
install(FILES ${CMAKE_LIBRARY_OUTPUT_DIRECTORY}/tessel.tlb DESTINATION ${TESSEL_INSTALL_PRIVATE_LIBDIR})

# The manual page and the completion, written at build time by the program from its own help.
set(tessel_generated_share ${CMAKE_BINARY_DIR}/share)
set(tessel_man_page ${tessel_generated_share}/man/man1/tessel.1)
set(tessel_completion ${tessel_generated_share}/bash-completion/completions/tessel)
add_custom_command(
  OUTPUT ${tessel_man_page} ${tessel_man_page}.gz ${tessel_completion}
  COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:tessel_host> -DMAN_PAGE=${tessel_man_page}
          -DCOMPLETION=${tessel_completion} -P ${CMAKE_SOURCE_DIR}/cmake/WriteHelpFiles.cmake
  DEPENDS tessel_host ${CMAKE_SOURCE_DIR}/cmake/WriteHelpFiles.cmake
  COMMENT "Writing the manual page and the bash completion from tessel's help"
  VERBATIM)
add_custom_target(tessel_help_files ALL DEPENDS ${tessel_man_page}.gz ${tessel_completion})
install(FILES ${tessel_man_page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${tessel_completion} DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

install(FILES ${CMAKE_SOURCE_DIR}/resources/tessel.idl DESTINATION ${CMAKE_INSTALL_DATADIR}/tessel)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/database/schema/ DESTINATION ${CMAKE_INSTALL_DATADIR}/tessel/schema
  FILES_MATCHING PATTERN "*.sql")
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
# The copyright (the program's and the bundled division data's licence) and the changelog, where
# Debian keeps them; the changelog compressed as Debian wants it (gzip -9n: the same bytes each time).
install(FILES ${CMAKE_SOURCE_DIR}/cmake/debian/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
configure_file(${CMAKE_SOURCE_DIR}/cmake/debian/changelog.in ${CMAKE_BINARY_DIR}/share/doc/changelog @ONLY)
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/share/doc/changelog.gz
  COMMAND gzip -9nkf ${CMAKE_BINARY_DIR}/share/doc/changelog
  DEPENDS ${CMAKE_BINARY_DIR}/share/doc/changelog
  VERBATIM)
add_custom_target(tessel_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/share/doc/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/share/doc/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs)
