# What `cmake --install` puts in place: the library (shared and static) with the
# core it needs, the public headers and whatever they include, a CMake package
# (find_package(tavrpki) -> tavrpki::tavrpki, tavrpki::tavrpki_static,
# tavrpki::keystore_api, tavrpki::ext_api, tavrpki::certstorage_api, tavrpki::sqlitestore)
# and a pkg-config file.
include(CMakePackageConfigHelpers)

set(TAVRPKI_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/tavrpki)
# Installed headers keep their paths under include/tavrpki ("kernel/CKernel.h");
# the plugin interfaces sit at include/tavrpki/KeyStorageManager.h and
# include/tavrpki/ExtHandler.h, which plugins reach as <tavrpki/...>.
set(TAVRPKI_HEADER_DIR ${CMAKE_INSTALL_INCLUDEDIR}/tavrpki)

set_target_properties(tavrpki PROPERTIES VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR})
set_target_properties(tavrpki_warnings PROPERTIES EXPORT_NAME warnings)

# tavrpki_warnings travels only because the static core names it as a private
# link dependency; it carries no libraries, so consumers get nothing from it.
install(TARGETS tavrpki tavrpki_static gostcrypto tavrpki-keystore-api tavrpki-ext-api tavrpki-password tavrpki_warnings
  tavrpki-certstorage-api tavrpki-sqlitestore
  EXPORT tavrpkiTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  INCLUDES DESTINATION ${TAVRPKI_HEADER_DIR} ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT tavrpkiTargets NAMESPACE tavrpki:: DESTINATION ${TAVRPKI_CMAKE_DIR})
# The file key storage plugin is loaded at run time, never linked: it goes into a
# directory of its own, and the configuration value "KeyStorageManager" names it
# (there is no default: which storage holds the keys is the operator's choice).
install(TARGETS tavrpki-filekeystore LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/tavrpki)

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/tavrpkiConfig.cmake.in
  ${PROJECT_BINARY_DIR}/tavrpkiConfig.cmake INSTALL_DESTINATION ${TAVRPKI_CMAKE_DIR}
  PATH_VARS TAVRPKI_HEADER_DIR)
# Before 1.0 a minor version may change the interface.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/tavrpkiConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/tavrpkiConfig.cmake ${PROJECT_BINARY_DIR}/tavrpkiConfigVersion.cmake
  DESTINATION ${TAVRPKI_CMAKE_DIR})

# The .pc file finds its prefix from where it lies, so the tree can be moved.
file(RELATIVE_PATH TAVRPKI_PC_TO_PREFIX /root/${CMAKE_INSTALL_LIBDIR}/pkgconfig /root)
string(REGEX REPLACE "/$" "" TAVRPKI_PC_TO_PREFIX "${TAVRPKI_PC_TO_PREFIX}")
set(TAVRPKI_PC_PRIVATE_LIBS "-ltavrpki-gostcrypto")
foreach(lib ${CMAKE_DL_LIBS})
  string(APPEND TAVRPKI_PC_PRIVATE_LIBS " -l${lib}")
endforeach()
configure_file(${PROJECT_SOURCE_DIR}/cmake/tavrpki.pc.in ${PROJECT_BINARY_DIR}/tavrpki.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/tavrpki.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# Headers: the core's published interface and the plugin interface go whole; of
# the library, the public headers found by cmake/PublicHeaders.cmake.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/gostcrypto/include/ DESTINATION ${TAVRPKI_HEADER_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/keystore/include/tavrpki/KeyStorageManager.h
  ${PROJECT_SOURCE_DIR}/ext/include/tavrpki/ExtHandler.h
  ${PROJECT_SOURCE_DIR}/storage/include/tavrpki/CertStorage.h
  ${PROJECT_SOURCE_DIR}/storage/sqlite/include/tavrpki/SqliteCertStore.h
  DESTINATION ${TAVRPKI_HEADER_DIR})
foreach(header ${TAVRPKI_PUBLIC_HEADERS})
  get_filename_component(directory ${header} DIRECTORY)
  install(FILES ${PROJECT_SOURCE_DIR}/${header} DESTINATION ${TAVRPKI_HEADER_DIR}/${directory})
endforeach()
