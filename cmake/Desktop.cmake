# What the console brings besides its code: the user guide and the icons
# bundled as resources, the install rules, and the package built from them
# (a .deb on Linux, a .zip on Windows; ./scripts/package).
include(GNUInstallDirs)

set(SDI12_APP_ID com.orvane.sdi12console)
set(SDI12_ICON_SIZES 16 22 24 32 48 64 128 256)
set(SDI12_PACKAGE_CONTACT "Orvane <support@orvane.example>" CACHE STRING "Maintainer named in the packages")
# The task bar finds the icon through the desktop file of this name.
target_compile_definitions(sdi12-console PRIVATE SDI12_APP_ID="${SDI12_APP_ID}")
# The version is the project's; a release also names it first in the AppStream file (software centres show it)
# and in the Debian change log (the package's). The first line matching `line` must hold `expected`.
function(sdi12_release_named file line expected)
    file(STRINGS ${CMAKE_SOURCE_DIR}/${file} first REGEX "${line}" LIMIT_COUNT 1)
    string(FIND "${first}" "${expected}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "${file} does not name release ${PROJECT_VERSION} first: \"${first}\"")
    endif()
endfunction()
sdi12_release_named(data/${SDI12_APP_ID}.metainfo.xml "<release " "<release version=\"${PROJECT_VERSION}\"")
sdi12_release_named(data/debian/changelog.in "^sdi12-console " "sdi12-console (${PROJECT_VERSION}-")

# --- bundled in the program
set(_sdi12_icons)
foreach(size IN LISTS SDI12_ICON_SIZES)
    list(APPEND _sdi12_icons data/icons/sdi12-console-${size}.png)
endforeach()
qt_add_resources(sdi12app sdi12guide PREFIX /help BASE app/help FILES app/help/guide.html)
qt_add_resources(sdi12app sdi12icons PREFIX /icons BASE data/icons FILES ${_sdi12_icons})
if(WIN32)
    set(_sdi12_rc ${CMAKE_BINARY_DIR}/sdi12-console.rc)
    file(WRITE ${_sdi12_rc} "IDI_ICON1 ICON \"${CMAKE_SOURCE_DIR}/data/icons/sdi12-console.ico\"\n")
    target_sources(sdi12-console PRIVATE ${_sdi12_rc})
endif()

# Installed into the system's program folder, the console keeps its
# settings in each user's configuration folder.
if(UNIX)
    target_compile_definitions(sdi12core PRIVATE SDI12_SYSTEM_BINDIR="${CMAKE_INSTALL_FULL_BINDIR}")
endif()

# --- install
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

if(WIN32)
    # One folder: the program, the DLLs it needs and Qt's plugins beside it.
    # windeployqt adds Qt's DLLs and plugins; it is a target of Qt 6.5 and
    # later, otherwise it sits beside qmake (MSYS2 adds a suffix to its name).
    set(_sdi12_qt_bin "")
    if(TARGET Qt6::qmake)
        get_target_property(_sdi12_qmake Qt6::qmake IMPORTED_LOCATION)
        get_filename_component(_sdi12_qt_bin "${_sdi12_qmake}" DIRECTORY)
    endif()
    if(TARGET Qt6::windeployqt)
        set(_sdi12_windeployqt "$<TARGET_FILE:Qt6::windeployqt>")
    else()
        find_program(WINDEPLOYQT_EXECUTABLE NAMES windeployqt windeployqt6 windeployqt-qt6 HINTS "${_sdi12_qt_bin}")
        set(_sdi12_windeployqt "${WINDEPLOYQT_EXECUTABLE}")
    endif()
    # The other DLLs (libxlsxwriter, zlib, the compiler's runtime) come from
    # where the build found them.
    set(_sdi12_dll_dirs "${_sdi12_qt_bin}")
    foreach(dir IN LISTS XLSXWRITER_LIBRARY_DIRS)
        list(APPEND _sdi12_dll_dirs "${dir}" "${dir}/../bin")
    endforeach()
    if(XLSXWRITER_LIBRARY)
        get_filename_component(dir "${XLSXWRITER_LIBRARY}" DIRECTORY)
        list(APPEND _sdi12_dll_dirs "${dir}" "${dir}/../bin")
    endif()
    get_filename_component(dir "${CMAKE_CXX_COMPILER}" DIRECTORY)
    list(APPEND _sdi12_dll_dirs "${dir}")
    install(TARGETS sdi12-console sdi12-cli
        RUNTIME DESTINATION .
        RUNTIME_DEPENDENCIES
            PRE_EXCLUDE_REGEXES "^api-ms-" "^ext-ms-"
            POST_EXCLUDE_REGEXES ".*[Ss]ystem32/.*"
            DIRECTORIES ${_sdi12_dll_dirs})
    if(_sdi12_windeployqt)
        install(CODE "execute_process(COMMAND \"${_sdi12_windeployqt}\" --no-translations
                          \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/sdi12-console.exe\"
                      RESULT_VARIABLE rc)
                      if(NOT rc EQUAL 0)
                          message(WARNING \"windeployqt ended with \${rc}\")
                      endif()")
    else()
        message(WARNING "windeployqt not found: the installed console will lack Qt's plugins")
    endif()
    install(FILES LICENSE DESTINATION . RENAME LICENSE.txt)
    install(FILES README.md DESTINATION .)
else()
    install(TARGETS sdi12-console sdi12-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    # The command line's shell completion and its logging service.
    install(FILES data/sdi12-cli.bash-completion DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
            RENAME sdi12-cli)
    install(FILES data/sdi12-log@.service DESTINATION ${CMAKE_INSTALL_PREFIX}/lib/systemd/user)
    if(TARGET sdi12-sim)
        install(TARGETS sdi12-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    endif()
    install(FILES data/${SDI12_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES data/${SDI12_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
    foreach(size IN LISTS SDI12_ICON_SIZES)
        install(FILES data/icons/sdi12-console-${size}.png
                DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME ${SDI12_APP_ID}.png)
    endforeach()
    install(FILES data/icons/sdi12-console.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME ${SDI12_APP_ID}.svg)
    # Debian's documentation folder holds the copyright (the licence text
    # itself is the system's) and the package's change log; the change log
    # and the manual pages are compressed without a time stamp.
    set(_sdi12_doc ${CMAKE_INSTALL_DATADIR}/doc/sdi12-console)
    install(FILES data/debian/copyright DESTINATION ${_sdi12_doc})
    configure_file(data/debian/changelog.in ${CMAKE_BINARY_DIR}/changelog.Debian @ONLY)
    configure_file(data/man/sdi12-console.1 ${CMAKE_BINARY_DIR}/sdi12-console.1 @ONLY)
    configure_file(data/man/sdi12-sim.1 ${CMAKE_BINARY_DIR}/sdi12-sim.1 @ONLY)
    configure_file(data/man/sdi12-cli.1 ${CMAKE_BINARY_DIR}/sdi12-cli.1 @ONLY)
    find_program(GZIP_EXECUTABLE gzip)
    if(GZIP_EXECUTABLE)
        foreach(f changelog.Debian sdi12-console.1 sdi12-sim.1 sdi12-cli.1)
            execute_process(COMMAND ${GZIP_EXECUTABLE} -9nf ${CMAKE_BINARY_DIR}/${f})
        endforeach()
        install(FILES ${CMAKE_BINARY_DIR}/changelog.Debian.gz DESTINATION ${_sdi12_doc})
        install(FILES ${CMAKE_BINARY_DIR}/sdi12-console.1.gz ${CMAKE_BINARY_DIR}/sdi12-cli.1.gz
                DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
        if(TARGET sdi12-sim)
            install(FILES ${CMAKE_BINARY_DIR}/sdi12-sim.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
        endif()
    endif()
endif()

# --- package
set(CPACK_PACKAGE_NAME sdi12-console)
set(CPACK_PACKAGE_VENDOR Orvane)
set(CPACK_PACKAGE_CONTACT "${SDI12_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "console for SDI-12 level probes and rotary encoders")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Sets up, calibrates and logs SDI-12 sensors (level transmitters, rotary\n"
    "encoders and encoder converters) behind an SDI-12 interface on a serial\n"
    "port: bus scan, parameters, address changes, two-stage calibration,\n"
    "periodic logging with export to .xls, .xlsx and .csv, and parameter\n"
    "reports. sdi12-cli does the same from a shell, for scripts and unattended\n"
    "logging; sdi12-sim simulates a bus of such sensors on a pseudo-terminal.")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
if(WIN32)
    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_FILE_NAME sdi12-console-${PROJECT_VERSION}-windows)
else()
    set(CPACK_GENERATOR DEB)
    set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
    set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    # The libraries the binaries link come from dpkg-shlibdeps; what Qt
    # loads at run time (the platform plugin, the SQLite driver of the
    # journal) and the modules named here are declared by hand.
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6serialport6, libqt6sql6-sqlite, libqt6charts6, qt6-qpa-plugins")
endif()
include(CPack)

# The package's file list and dependencies, when ./scripts/package has
# built one into dist/ (skipped otherwise).
if(SDI12_TESTS AND UNIX AND NOT APPLE)
    add_test(NAME package_contents COMMAND ${CMAKE_SOURCE_DIR}/scripts/check-package)
    set_tests_properties(package_contents PROPERTIES SKIP_RETURN_CODE 77)
endif()
