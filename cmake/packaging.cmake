# Debian packages through CPack: `cpack -G DEB` in a build directory makes
# libtevra0 (the shared library), libtevra-dev (header, pkg-config and CMake
# files, tevra(3)) and tevra-tools (the programs, their manual pages and the
# lnav formats), one per install component.

set(TEVRA_PACKAGE_MAINTAINER "tevra developers <tevra@example.org>" CACHE STRING
  "Maintainer field of the Debian packages")
set(TEVRA_DEB_RELEASE 1)
set(TEVRA_DEB_VERSION "${PROJECT_VERSION}-${TEVRA_DEB_RELEASE}")

# Every package carries the copyright file and changelog Debian requires in
# its documentation directory.
set(TEVRA_DEB_CHANGELOG ${PROJECT_BINARY_DIR}/debian/changelog.Debian.gz)
add_custom_command(OUTPUT ${TEVRA_DEB_CHANGELOG}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/debian
  COMMAND sh -c "gzip -9 -n -c \"$0\" > \"$1\"" ${PROJECT_SOURCE_DIR}/cmake/debian/changelog ${TEVRA_DEB_CHANGELOG}
  DEPENDS ${PROJECT_SOURCE_DIR}/cmake/debian/changelog VERBATIM)
add_custom_target(tevra_deb_changelog ALL DEPENDS ${TEVRA_DEB_CHANGELOG})

set(TEVRA_DEB_PACKAGES runtime libtevra0 development libtevra-dev)
if(TEVRA_BUILD_TOOLS)
  list(APPEND TEVRA_DEB_PACKAGES tools tevra-tools)
endif()
set(components)
while(TEVRA_DEB_PACKAGES)
  list(POP_FRONT TEVRA_DEB_PACKAGES component package)
  list(APPEND components ${component})
  string(TOUPPER ${component} COMPONENT)
  set(CPACK_DEBIAN_${COMPONENT}_PACKAGE_NAME ${package})
  install(FILES ${PROJECT_SOURCE_DIR}/cmake/debian/copyright ${TEVRA_DEB_CHANGELOG}
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
endwhile()
set(CPACK_COMPONENTS_ALL ${components})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tevra)
set(CPACK_PACKAGE_VENDOR "tevra developers")
set(CPACK_PACKAGE_CONTACT ${TEVRA_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# Each package's description starts with its own synopsis line. CPackDeb
# puts the project summary in front of it unless the summary is CPack's
# default text, so the default is what it gets.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${CPACK_PACKAGE_NAME} built using CMake")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${TEVRA_DEB_RELEASE})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${TEVRA_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps works out the dependencies on libc and libstdc++; it cannot
# know libtevra0 from the build tree, which the package dependencies below
# name instead.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR})
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
# A shlibs file, and an ldconfig trigger rather than maintainer scripts.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/cmake/debian/triggers)
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION "structured logging library for C and C++
tevra turns every log event into exactly one line, a JSON object or a
coloured human-readable console line, and hands it whole to an output.
Fields are typed; the level, format, colours and destination can be
chosen from the environment. The library needs only libc at run time.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_COMPONENT_DEVELOPMENT_DEPENDS runtime)
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION "structured logging library for C and C++ - development files
tevra turns every log event into exactly one line, a JSON object or a
coloured human-readable console line.
This package holds the header, the pkg-config and CMake files and the
tevra(3) manual page.")

set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION utils)
set(CPACK_COMPONENT_TOOLS_DEPENDS runtime)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SUGGESTS "lnav, jq")
set(CPACK_DEBIAN_TOOLS_DESCRIPTION "programs for reading and writing tevra log lines
tevra-pretty shows JSON log lines as tevra console lines, colours and
all; tevra-log writes log lines from shell scripts exactly as tevra
programs write them. Includes lnav formats for tevra's lines and the
tevra-env(7) page on the environment keys.")

include(CPack)
