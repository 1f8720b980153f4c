# make install / make uninstall, the files a host builds with (jux.h, the
# pkg-config file and the CMake package jux::jux) and the Debian package
# (make deb). The layout variables come from CMakeLists.txt.
include(CMakePackageConfigHelpers)
# Installing needs only what it installs (the Makefile builds those), not
# the test suite and every other target of the tree.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

install(TARGETS jux RUNTIME DESTINATION ${JUX_PROGRAM_DIR})
install(TARGETS juxtool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# libjux.so.<major> (the soname), the file it names and the libjux.so link
# a host links with.
target_include_directories(jux_shared INTERFACE $<BUILD_INTERFACE:${CMAKE_SOURCE_DIR}/include>
  $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
set_target_properties(jux_shared PROPERTIES EXPORT_NAME jux)
install(TARGETS jux_shared EXPORT juxTargets LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES ${CMAKE_SOURCE_DIR}/include/jux.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

configure_file(${CMAKE_SOURCE_DIR}/cmake/jux.pc.in ${CMAKE_BINARY_DIR}/jux.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/jux.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

set(JUX_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/jux)
install(EXPORT juxTargets NAMESPACE jux:: DESTINATION ${JUX_CMAKE_DIR})
configure_package_config_file(${CMAKE_SOURCE_DIR}/cmake/juxConfig.cmake.in
  ${CMAKE_BINARY_DIR}/juxConfig.cmake INSTALL_DESTINATION ${JUX_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/juxConfigVersion.cmake COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/juxConfig.cmake ${CMAKE_BINARY_DIR}/juxConfigVersion.cmake
  DESTINATION ${JUX_CMAKE_DIR})

install(FILES ${CMAKE_SOURCE_DIR}/jux.book DESTINATION ${JUX_DATADIR})
# The manual pages carry the version and the installed book's place.
set(JUX_INSTALLED_BOOK ${CMAKE_INSTALL_PREFIX}/${JUX_DATADIR}/jux.book)
foreach(page jux.6 juxtool.1)
  configure_file(${CMAKE_SOURCE_DIR}/man/${page}.in ${CMAKE_BINARY_DIR}/man/${page} @ONLY)
  string(REGEX REPLACE ".*\\." "man" section ${page})
  install(FILES ${CMAKE_BINARY_DIR}/man/${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/${section})
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/LICENSE ${CMAKE_SOURCE_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

# Removes what the last install of this tree put in place (its manifest).
add_custom_target(uninstall
  COMMAND ${CMAKE_COMMAND} -DMANIFEST=${CMAKE_BINARY_DIR}/install_manifest.txt
          -P ${CMAKE_SOURCE_DIR}/cmake/uninstall.cmake)

# The Debian package: the install above with a /usr prefix.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME jux)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "JUX developers <jux@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "UCI chess engine")
set(CPACK_PACKAGE_DESCRIPTION "JUX is a chess engine without a window of its own: a chess GUI or a
tournament manager starts it and talks to it in the UCI protocol. It comes
with an opening book, reads Gaviota and Syzygy endgame tablebases, and
offers the same engine as a C library (libjux.so) for host programs.")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# shlibdeps finds the Gaviota reader among the linked libraries; the Syzygy
# reader is loaded at run time, where it cannot look.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libfathom1")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/packages)
include(CPack)
