# Debian packages: chronava (programs and data), libcelvane1 (the shared library) and
# libcelvane-dev (header, pkg-config file, link). `cpack -G DEB` in the build folder.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME chronava)
set(CPACK_PACKAGE_VENDOR "The Chronava developers")
set(CPACK_PACKAGE_CONTACT "The Chronava developers <packages@chronava.example.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL chronava libcelvane libcelvane-dev)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://chronava.example.org/")
# The library's own folder is searched for its siblings while dependencies are computed.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CHRONAVA_DIST_DIR})

set(CPACK_DEBIAN_CHRONAVA_PACKAGE_NAME chronava)
set(CPACK_DEBIAN_CHRONAVA_PACKAGE_DEPENDS "fonts-ipafont-gothic, fonts-ipafont-mincho")
# awk is part of every Debian system (mawk), so only the others are suggested.
set(CPACK_DEBIAN_CHRONAVA_PACKAGE_SUGGESTS "tcpdump, libreoffice-writer")
set(CPACK_COMPONENT_CHRONAVA_DESCRIPTION "timing charts from event logs
Chronava turns event logs of machines and protocols into timing
charts: a preprocessor brings a log into event form, the converter
writes the chart, and the chart window shows it with zoom, cursor and
search. Charts are exported as GIF, PNG, SVG and metafile pages and
collected into HTML pages and Word documents.
.
The package also holds wirefold, which formats tcpdump text into one
line per packet.")

set(CPACK_DEBIAN_LIBCELVANE_PACKAGE_NAME libcelvane1)
set(CPACK_DEBIAN_LIBCELVANE_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
# The library's folder is in the loader's cache: ldconfig runs through the trigger.
configure_file(${CMAKE_CURRENT_LIST_DIR}/libcelvane1.triggers ${CMAKE_CURRENT_BINARY_DIR}/control/triggers COPYONLY)
set(CPACK_DEBIAN_LIBCELVANE_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_BINARY_DIR}/control/triggers)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_COMPONENT_LIBCELVANE_DESCRIPTION "library writing and reading BIFF5/BIFF8 workbooks
Celvane writes spreadsheet workbooks in the BIFF5 and BIFF8 formats
with cells, formats, formulas and page setup, and reads them back,
through a C interface.")

set(CPACK_DEBIAN_LIBCELVANE-DEV_PACKAGE_NAME libcelvane-dev)
set(CPACK_DEBIAN_LIBCELVANE-DEV_PACKAGE_SECTION libdevel)
set(CPACK_COMPONENT_LIBCELVANE-DEV_DEPENDS libcelvane)
set(CPACK_COMPONENT_LIBCELVANE-DEV_DESCRIPTION "library writing and reading BIFF5/BIFF8 workbooks - development files
Celvane writes spreadsheet workbooks in the BIFF5 and BIFF8 formats
and reads them back. This package holds the header celvane.h, the
pkg-config file and the link for building programs against the
library.")
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)

# Every package carries its copyright file and a compressed changelog.
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog ${CMAKE_CURRENT_BINARY_DIR}/changelog @ONLY)
set(changelog_gz ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
add_custom_command(OUTPUT ${changelog_gz}
  COMMAND gzip -9n -c ${CMAKE_CURRENT_BINARY_DIR}/changelog > ${changelog_gz}
  DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/changelog)
add_custom_target(chronava_changelog ALL DEPENDS ${changelog_gz})
foreach(pair chronava:chronava libcelvane:libcelvane1 libcelvane-dev:libcelvane-dev)
  string(REPLACE ":" ";" pair "${pair}")
  list(GET pair 0 comp)
  list(GET pair 1 pkg)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright ${changelog_gz}
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${pkg} COMPONENT ${comp})
endforeach()

include(CPack)
