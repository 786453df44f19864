# Debian packages from the install() rules (cpack -G DEB): the install rules are the one list of
# what ships. Components map onto two packages:
#   nxfax-driver   the filter, both PPDs, the plug-in bundles, pdehost, the tools, nxfax-setup,
#                  message tables, docs and man pages: all a print server needs, no Qt;
#   nxfax-desktop  the desktop programs (nxfax, nxfax-agent) and their session files.
# Every component goes to the driver package unless NX_DESKTOP_COMPONENTS names it.
# Include after every install() rule: the component list is read here.

set(NX_DESKTOP_COMPONENTS desktop CACHE STRING
    "Install components that belong to the nxfax-desktop package")
set(NX_PACKAGE_MAINTAINER "Norvalex fax driver team <fax-driver@norvalex.example>")

# Each package carries its copyright and changelog, as Debian asks.
set(NX_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
configure_file(${NX_PACKAGING_DIR}/changelog.in ${PROJECT_BINARY_DIR}/packaging/changelog.Debian @ONLY)
find_program(NX_GZIP gzip REQUIRED)
add_custom_command(
  OUTPUT ${PROJECT_BINARY_DIR}/packaging/changelog.Debian.gz
  COMMAND ${NX_GZIP} -9nf -k ${PROJECT_BINARY_DIR}/packaging/changelog.Debian
  DEPENDS ${PROJECT_BINARY_DIR}/packaging/changelog.Debian
  VERBATIM)
add_custom_target(nx_package_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/packaging/changelog.Debian.gz)
foreach(pair "nxfax-driver;driver-doc" "nxfax-desktop;desktop")
  list(GET pair 0 package)
  list(GET pair 1 component)
  install(FILES ${NX_PACKAGING_DIR}/copyright ${PROJECT_BINARY_DIR}/packaging/changelog.Debian.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
endforeach()
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/nxfax-driver COMPONENT driver-doc)
install(DIRECTORY docs/ DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/nxfax-driver/docs COMPONENT driver-doc
        FILES_MATCHING PATTERN "*.md")

# Files under /etc are the administrator's: dpkg keeps their changes.
configure_file(${NX_PACKAGING_DIR}/conffiles-desktop.in ${PROJECT_BINARY_DIR}/packaging/desktop/conffiles @ONLY)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME nxfax)
set(CPACK_PACKAGE_VENDOR "Norvalex")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${NX_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ONE_PER_GROUP)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${NX_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://norvalex.example/fax-driver")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)

set(CPACK_DEBIAN_DRIVER_PACKAGE_NAME nxfax-driver)
set(CPACK_DEBIAN_DRIVER_PACKAGE_SECTION text)
# The print server runs the filter; the PDF input reaches it through cups-filters' renderers.
set(CPACK_DEBIAN_DRIVER_PACKAGE_DEPENDS "cups-daemon, cups-filters, ghostscript")
set(CPACK_DEBIAN_DESKTOP_PACKAGE_NAME nxfax-desktop)
set(CPACK_DEBIAN_DESKTOP_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_DESKTOP_PACKAGE_DEPENDS "nxfax-driver (= ${PROJECT_VERSION}-1)")
set(CPACK_DEBIAN_DESKTOP_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/packaging/desktop/conffiles)

# First line: the synopsis; the rest: the extended description.
set(CPACK_DEBIAN_DRIVER_DESCRIPTION "PC-fax and job-accounting driver for Norvalex devices (print server)
The CUPS filter jobfilter, the PPD of the fax queue and the PPD of desktop
queues in front of a fax print server, the print-dialog plug-ins with the
stand-in dialog pdehost, the phonebook and fax tools, and nxfax-setup, which
makes the queues. Installing the package makes no queue.")
set(CPACK_DEBIAN_DESKTOP_DESCRIPTION "PC-fax windows for Norvalex devices (desktop)
nxfax, the fax and accounting windows for any application's print to the
fax queue, and nxfax-agent, started with each session, which opens them for
the user's held fax jobs.")

include(CPack)

cpack_add_component_group(driver DISPLAY_NAME "nxfax-driver")
cpack_add_component_group(desktop DISPLAY_NAME "nxfax-desktop")

get_cmake_property(nx_components COMPONENTS)
foreach(component IN LISTS nx_components)
  if(component IN_LIST NX_DESKTOP_COMPONENTS)
    cpack_add_component(${component} GROUP desktop)
  else()
    cpack_add_component(${component} GROUP driver)
  endif()
endforeach()
