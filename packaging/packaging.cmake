# Install rules and the Debian packages built from them (scripts/package):
#   brisvane          Brisvane and matrixctl
#   quellin           Quellin and quellin-scan
#   matrix-tools-sim  matrix-sim and terminal-sim
#   matrixd           the matrixd service: program, systemd unit, configuration
# Each program ships with its manual page, packaging/man/<program>.1. The two desktop programs
# also ship a desktop entry, hicolor icons (an SVG and PNGs rendered from it) and AppStream data.
# Included at the end of the top-level CMakeLists.txt, so every program's target already exists.

include(GNUInstallDirs)

set(MATRIX_HOMEPAGE "https://example.org/matrixtools" CACHE STRING
    "Project home page; AppStream screenshots are taken from <home page>/docs/")
set(MATRIX_APP_ID_PREFIX "org.example.matrixtools" CACHE STRING
    "Reverse domain name in front of the AppStream component ids")
set(MATRIX_DEVELOPER "The Brisvane and Quellin developers" CACHE STRING "Who makes the tools")
set(MATRIX_PACKAGE_MAINTAINER "Brisvane and Quellin developers <maintainers@example.org>"
    CACHE STRING "Maintainer field of the Debian packages")
set(MATRIX_PROJECT_LICENSE "LicenseRef-proprietary" CACHE STRING "SPDX licence of the programs")
# The day this version was released: AppStream's release entry and the packages' changelog.
set(MATRIX_RELEASE_DATE "2026-12-09")

set(MATRIX_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})
set(MATRIX_GENERATED_DIR ${CMAKE_BINARY_DIR}/packaging)
set(MATRIX_ICON_SIZES 48 64 128 256)

# Debian wants manual pages and changelogs compressed with gzip -9n (no name or time stamp, so
# that the same page always gives the same bytes).
function(matrix_gzip source output)
    add_custom_command(OUTPUT ${output}
        COMMAND sh -c "gzip -9nc < \"$0\" > \"$1\"" ${source} ${output}
        DEPENDS ${source}
        VERBATIM)
    set_property(GLOBAL APPEND PROPERTY MATRIX_PACKAGING_OUTPUTS ${output})
endfunction()

# A program and its manual page, in the package of `component`. A program whose target is not
# built here is left out; a program without a manual page is installed and warned about.
function(matrix_install_program target component)
    if(NOT TARGET ${target})
        return()
    endif()
    install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT ${component})
    set(page ${MATRIX_PACKAGING_DIR}/man/${target}.1)
    if(NOT EXISTS ${page})
        message(WARNING "${target} has no manual page: write ${page}")
        return()
    endif()
    matrix_gzip(${page} ${MATRIX_GENERATED_DIR}/man/${target}.1.gz)
    install(FILES ${MATRIX_GENERATED_DIR}/man/${target}.1.gz
            DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${component})
endfunction()

# The desktop entry, icons and AppStream data of a desktop program. `name` is the program's
# capitalised name, as in its component id and settings folder.
function(matrix_install_desktop_data program name component)
    if(NOT TARGET ${program})
        return()
    endif()
    install(FILES ${MATRIX_PACKAGING_DIR}/desktop/${program}.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT ${component})

    set(id ${MATRIX_APP_ID_PREFIX}.${name})
    configure_file(${MATRIX_PACKAGING_DIR}/metainfo/${name}.metainfo.xml.in
                   ${MATRIX_GENERATED_DIR}/metainfo/${id}.metainfo.xml @ONLY)
    install(FILES ${MATRIX_GENERATED_DIR}/metainfo/${id}.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT ${component})

    set(svg ${MATRIX_PACKAGING_DIR}/icons/${program}.svg)
    set(hicolor ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
    install(FILES ${svg} DESTINATION ${hicolor}/scalable/apps COMPONENT ${component})
    if(NOT MATRIX_RSVG_CONVERT)
        return()
    endif()
    foreach(size IN LISTS MATRIX_ICON_SIZES)
        set(dir ${MATRIX_GENERATED_DIR}/icons/${size}x${size})
        add_custom_command(OUTPUT ${dir}/${program}.png
            COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
            COMMAND ${MATRIX_RSVG_CONVERT} -w ${size} -h ${size} -o ${dir}/${program}.png ${svg}
            DEPENDS ${svg}
            VERBATIM)
        set_property(GLOBAL APPEND PROPERTY MATRIX_PACKAGING_OUTPUTS ${dir}/${program}.png)
        install(FILES ${dir}/${program}.png DESTINATION ${hicolor}/${size}x${size}/apps
                COMPONENT ${component})
    endforeach()
endfunction()

# Every package carries its copyright file and changelog in /usr/share/doc/<package>/.
function(matrix_install_package_docs component package)
    install(FILES ${MATRIX_GENERATED_DIR}/debian/copyright ${MATRIX_GENERATED_DIR}/changelog.gz
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
endfunction()

find_program(MATRIX_RSVG_CONVERT rsvg-convert)
if(NOT MATRIX_RSVG_CONVERT)
    message(STATUS "rsvg-convert not found (package librsvg2-bin): only the SVG icons are "
                   "installed")
endif()

execute_process(COMMAND date -u -R -d "${MATRIX_RELEASE_DATE} 12:00"
                OUTPUT_VARIABLE MATRIX_RELEASE_DATE_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE)
configure_file(${MATRIX_PACKAGING_DIR}/debian/copyright.in ${MATRIX_GENERATED_DIR}/debian/copyright
               @ONLY)
configure_file(${MATRIX_PACKAGING_DIR}/debian/changelog.in ${MATRIX_GENERATED_DIR}/debian/changelog
               @ONLY)
matrix_gzip(${MATRIX_GENERATED_DIR}/debian/changelog ${MATRIX_GENERATED_DIR}/changelog.gz)

matrix_install_program(brisvane brisvane)
# The console controller ships with Brisvane; its manual page is packaging/man/matrixctl.1.
matrix_install_program(matrixctl brisvane)
matrix_install_desktop_data(brisvane Brisvane brisvane)
matrix_install_package_docs(brisvane brisvane)

matrix_install_program(quellin quellin)
# The console scanner ships with Quellin; its manual page is packaging/man/quellin-scan.1.
matrix_install_program(quellin-scan quellin)
matrix_install_desktop_data(quellin Quellin quellin)
matrix_install_package_docs(quellin quellin)

matrix_install_program(matrix-sim sim)
matrix_install_program(terminal-sim sim)
matrix_install_package_docs(sim matrix-tools-sim)

# The service: its unit and configuration go where the system keeps them, not under /usr.
matrix_install_program(matrixd matrixd)
if(TARGET matrixd)
    install(FILES ${MATRIX_PACKAGING_DIR}/systemd/matrixd.service
            DESTINATION /lib/systemd/system COMPONENT matrixd)
    install(FILES ${MATRIX_PACKAGING_DIR}/matrixd/matrixd.ini
            DESTINATION /etc/matrixd COMPONENT matrixd)
    matrix_install_package_docs(matrixd matrixd)
endif()

get_property(outputs GLOBAL PROPERTY MATRIX_PACKAGING_OUTPUTS)
add_custom_target(packaging-data ALL DEPENDS ${outputs})

# CPack: one Debian package per component, dependencies found by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME matrix-tools)
set(CPACK_PACKAGE_VENDOR "${MATRIX_DEVELOPER}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${MATRIX_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_COMPONENTS_ALL brisvane quellin sim)
if(TARGET matrixd)
    list(APPEND CPACK_COMPONENTS_ALL matrixd)
endif()
# The service's files outside /usr are installed by their absolute paths into the package's root
# (never into the building machine's own /etc), and everything else under /usr.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${MATRIX_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${MATRIX_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

set(CPACK_DEBIAN_BRISVANE_PACKAGE_NAME brisvane)
set(CPACK_DEBIAN_BRISVANE_PACKAGE_SECTION video)
# Several of the program's messages are Chinese.
set(CPACK_DEBIAN_BRISVANE_PACKAGE_RECOMMENDS fonts-noto-cjk)
set(CPACK_DEBIAN_BRISVANE_PACKAGE_SUGGESTS matrix-tools-sim)
set(CPACK_COMPONENT_BRISVANE_DESCRIPTION
    "controller for audio/video matrix switchers
Brisvane is the operator's controller for one audio/video crosspoint matrix
switcher of 4x4 to 32x32 ports, reached on an RS-232 line or through a
serial-to-Ethernet terminal over UDP. A click on its crosspoint grid switches
an input to an output; it reads the switch state back, saves and recalls the
device's 16 scenes, runs scene cycling and sets the device's baud rate,
address and video properties. The package also holds matrixctl, the console
controller that switches, reads back, backs up and restores the same matrix
from scripts and remote shells, without a display.")

set(CPACK_DEBIAN_QUELLIN_PACKAGE_NAME quellin)
set(CPACK_DEBIAN_QUELLIN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_QUELLIN_PACKAGE_RECOMMENDS fonts-noto-cjk)
set(CPACK_COMPONENT_QUELLIN_DESCRIPTION
    "finds and sets up serial-to-Ethernet terminals
Quellin is the installer's tool for serial-to-Ethernet terminals. It finds
them on the network with a multicast scan, lists each with its ID, name,
model, addresses and MAC address, and writes a terminal's name, addresses,
port, work mode, addressing and baud rate, or gives it a new ID. The package
also holds quellin-scan, which finds the terminals from the command line and
lists them with every field as a table, CSV or JSON.")

set(CPACK_DEBIAN_SIM_PACKAGE_NAME matrix-tools-sim)
set(CPACK_DEBIAN_SIM_PACKAGE_SECTION utils)
set(CPACK_COMPONENT_SIM_DESCRIPTION
    "simulated matrix switcher and serial-to-Ethernet terminals
matrix-sim behaves as an audio/video matrix switcher on a pseudo-terminal
and on loopback UDP; terminal-sim plays serial-to-Ethernet terminals that
answer discovery scans inside a private network namespace. Both are meant
for tests, demonstrations and operator training with Brisvane and Quellin.")

set(CPACK_DEBIAN_MATRIXD_PACKAGE_NAME matrixd)
set(CPACK_DEBIAN_MATRIXD_PACKAGE_SECTION net)
# adduser makes its system user; init-system-helpers enables and starts the unit; libmosquitto1
# comes with the shared libraries' dependencies.
set(CPACK_DEBIAN_MATRIXD_PACKAGE_DEPENDS "adduser, init-system-helpers (>= 1.54~)")
set(CPACK_DEBIAN_MATRIXD_PACKAGE_SUGGESTS "brisvane, matrix-tools-sim")
set(CPACK_DEBIAN_MATRIXD_PACKAGE_CONTROL_EXTRA
    ${MATRIX_PACKAGING_DIR}/debian/matrixd/conffiles
    ${MATRIX_PACKAGING_DIR}/debian/matrixd/postinst
    ${MATRIX_PACKAGING_DIR}/debian/matrixd/prerm
    ${MATRIX_PACKAGING_DIR}/debian/matrixd/postrm)
set(CPACK_DEBIAN_MATRIXD_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
set(CPACK_COMPONENT_MATRIXD_DESCRIPTION
    "matrix switchers shared on the network
matrixd owns the links of the audio/video matrix switchers of a building (a
serial port, or a serial-to-Ethernet terminal over UDP or TCP) and offers
them to any number of clients at once: an HTTP API to switch, read back,
save and load scenes, back up and restore, live events of every change on
a WebSocket, a web panel with the crosspoint grid of each matrix, and an
MQTT bridge with Home Assistant discovery. Each matrix keeps one request on
its line at a time. It listens on loopback
unless given a token, and serves HTTPS with a certificate. The package runs
it as a systemd service under a system user of its own.")

include(CPack)
