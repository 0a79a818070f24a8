# Installation and the Debian package: the two programs, the desktop entry and its icon,
# the manual pages (the command line's made from its help texts) and the examples.
#   cmake --install build [--prefix DIR]      # default prefix /usr/local
#   (cd build && cpack)                       # membrane_VERSION_ARCH.deb, prefix /usr
include(GNUInstallDirs)

install(TARGETS membrane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/membrane.1
  COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:membrane> -DVERSION=${PROJECT_VERSION}
          -DOUTPUT=${CMAKE_BINARY_DIR}/membrane.1 -P ${CMAKE_SOURCE_DIR}/cmake/ManPage.cmake
  DEPENDS membrane ${CMAKE_SOURCE_DIR}/cmake/ManPage.cmake
  COMMENT "Manual page from the help texts")
add_custom_target(membrane_manual ALL DEPENDS ${CMAKE_BINARY_DIR}/membrane.1)
install(FILES ${CMAKE_BINARY_DIR}/membrane.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(DIRECTORY examples/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)

if(TARGET membrane-gui)
  install(TARGETS membrane-gui RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES packaging/membrane-gui.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  # Any size goes into pixmaps, where desktops look for an icon no theme has.
  install(FILES src/programs/desktop/images/membrane_icon.png DESTINATION ${CMAKE_INSTALL_DATADIR}/pixmaps
          RENAME membrane-gui.png)
  configure_file(packaging/membrane-gui.1 ${CMAKE_BINARY_DIR}/membrane-gui.1 @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/membrane-gui.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

# Debian package. dpkg-shlibdeps finds the libraries the programs link; Gmsh is loaded when
# a Gmsh file is imported, so its package is named here, and the desktop program needs
# Qt's platform plugins.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME membrane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "membrane developers <membrane@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "minimum-area membranes over a triangular plan mesh (command line and desktop program)")
set(CPACK_PACKAGE_DESCRIPTION
    "Finds the heights of a flat triangular mesh for which the lifted triangles have the least area (a discrete minimal surface) by Newton's method, for structural engineers designing tensioned membranes; writes a report, a truss model and VRML, imports Gmsh, OBJ, STL and PLY surfaces and exports OBJ, STL, PLY, glTF and DXF.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(membrane_package_depends "")
execute_process(COMMAND dpkg -S ${GMSH_RUNTIME_NAME} OUTPUT_VARIABLE gmsh_owner
                ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
if(gmsh_owner MATCHES "^([^:, ]+)")
  list(APPEND membrane_package_depends ${CMAKE_MATCH_1})
endif()
# hypre is loaded at run time too (linalg/hypre_library.h), so the package scan of the
# linked libraries does not see it: without it `auto` falls back to sparse Cholesky above
# 20 000 unknowns, slower and out of memory sooner.
if(HYPRE_RUNTIME_NAME)
  execute_process(COMMAND dpkg -S ${HYPRE_RUNTIME_NAME} OUTPUT_VARIABLE hypre_owner
                  ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(hypre_owner MATCHES "^([^:, ]+)")
    list(APPEND membrane_package_depends ${CMAKE_MATCH_1})
  endif()
endif()
if(TARGET membrane-gui)
  list(APPEND membrane_package_depends qt6-qpa-plugins)
endif()
string(REPLACE ";" ", " CPACK_DEBIAN_PACKAGE_DEPENDS "${membrane_package_depends}")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, libgl1-mesa-dri")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "gmsh, view3dscene")
include(CPack)
