# What `cmake --install` puts where, the CMake package (find_package(Korvax)
# gives Korvax::korvax), korvax.pc for pkg-config, and the Debian packages
# that CPack builds from the same rules (`./run package`): korvax without Qt,
# korvax-qt with the desktop dialogs.
include(CMakePackageConfigHelpers)

install(TARGETS korvax EXPORT KorvaxTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT korvax NAMELINK_COMPONENT korvax)
install(DIRECTORY include/korvax DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT korvax)
install(TARGETS korvax_host RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT korvax)
if(KORVAX_WITH_QT)
  install(TARGETS korvax_qt LIBRARY DESTINATION ${KORVAX_PLUGIN_DIR} COMPONENT qt)
endif()
install(FILES README.md docs/scripted-ui.md docs/reliability.md
  DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT korvax)
install(DIRECTORY examples/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples COMPONENT korvax)

set(config_dir ${CMAKE_INSTALL_LIBDIR}/cmake/Korvax)
install(EXPORT KorvaxTargets NAMESPACE Korvax:: DESTINATION ${config_dir} COMPONENT korvax)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/KorvaxConfig.cmake.in
  ${PROJECT_BINARY_DIR}/KorvaxConfig.cmake INSTALL_DESTINATION ${config_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/KorvaxConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/KorvaxConfig.cmake ${PROJECT_BINARY_DIR}/KorvaxConfigVersion.cmake
  DESTINATION ${config_dir} COMPONENT korvax)

# korvax.pc finds the prefix from its own place, so that an installation
# works wherever it is put.
file(RELATIVE_PATH KORVAX_PC_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
string(REGEX REPLACE "/$" "" KORVAX_PC_PREFIX "${KORVAX_PC_PREFIX}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/korvax.pc.in ${PROJECT_BINARY_DIR}/korvax.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/korvax.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
  COMPONENT korvax)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvax)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Korvax <korvax@example.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The build's debug information stays out of the packages.
set(CPACK_STRIP_FILES TRUE)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL korvax)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
# The libraries' own dependencies (libzip, SQLite, Qt) as dpkg-shlibdeps finds them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_KORVAX_PACKAGE_NAME korvax)
set(CPACK_COMPONENT_KORVAX_DESCRIPTION
  "Gebührenberechnung für Vermessungsaufträge\n Bibliothek libkorvax (C ABI, C++-Kopfdateien, CMake-Paket, pkg-config), der Befehl korvax, Beispiele.")
set(CPACK_DEBIAN_KORVAX_PACKAGE_SUGGESTS "korvax-qt, libreoffice-writer-nogui")
if(KORVAX_WITH_QT)
  list(APPEND CPACK_COMPONENTS_ALL qt)
  set(CPACK_DEBIAN_QT_PACKAGE_NAME korvax-qt)
  set(CPACK_COMPONENT_QT_DESCRIPTION
    "Gebührendialoge von Korvax auf dem Bildschirm (Qt 6)\n Die Bibliothek libkorvax-qt, die libkorvax und der Befehl korvax laden, wenn die Oberfläche Qt gewählt ist.")
  set(CPACK_DEBIAN_QT_PACKAGE_DEPENDS "korvax (= ${PROJECT_VERSION})")
endif()
include(CPack)
