# Everything the build links, checked at configure time. A missing piece
# stops the configuration with one line that names the package to install
# (Debian 12's name; ./scripts/setup installs all of them), rather than a
# link error deep in the build.

# For the test of this check: modules and libraries to treat as missing.
set(SDI12_CHECK_AS_MISSING "" CACHE INTERNAL "")

# Stops with one line naming what is missing and the Debian package.
function(sdi12_missing what package)
    # The line itself as it is (CMake would fold an error's text).
    message(NOTICE "${what} not found: install the Debian package ${package} "
                   "(./scripts/setup installs everything the build needs)")
    message(FATAL_ERROR "missing: ${package}")
endfunction()

# Qt 6, one module at a time, so that the message names the module's package.
set(_sdi12_qt_packages
    Core qt6-base-dev Gui qt6-base-dev Widgets qt6-base-dev Sql qt6-base-dev Test qt6-base-dev
    SerialPort qt6-serialport-dev Charts qt6-charts-dev)
find_package(Qt6 6.2 QUIET COMPONENTS Core)
if(NOT Qt6_FOUND)
    sdi12_missing("Qt 6" qt6-base-dev)
endif()
while(_sdi12_qt_packages)
    list(POP_FRONT _sdi12_qt_packages _module _package)
    find_package(Qt6 6.2 QUIET COMPONENTS ${_module})
    if(NOT Qt6${_module}_FOUND OR _module IN_LIST SDI12_CHECK_AS_MISSING)
        sdi12_missing("Qt 6 module ${_module}" ${_package})
    endif()
endwhile()

# libxlsxwriter through pkg-config where there is one (Debian, MSYS2). Its
# pkg-config file names the libraries it links besides itself (zlib on
# Debian); each must be there too.
set(_sdi12_lib_packages xlsxwriter libxlsxwriter-dev z zlib1g-dev minizip libminizip-dev)
find_package(PkgConfig QUIET)
if(PKG_CONFIG_FOUND)
    pkg_check_modules(XLSXWRITER QUIET IMPORTED_TARGET xlsxwriter)
    if(XLSXWRITER_FOUND)
        foreach(_lib IN LISTS XLSXWRITER_LIBRARIES)
            find_library(SDI12_LIB_${_lib} NAMES ${_lib} HINTS ${XLSXWRITER_LIBRARY_DIRS})
            if(NOT SDI12_LIB_${_lib} OR _lib IN_LIST SDI12_CHECK_AS_MISSING)
                list(FIND _sdi12_lib_packages ${_lib} _at)
                if(_at GREATER_EQUAL 0)
                    math(EXPR _at "${_at} + 1")
                    list(GET _sdi12_lib_packages ${_at} _package)
                else()
                    set(_package "that provides lib${_lib}")
                endif()
                sdi12_missing("The library ${_lib} (linked by libxlsxwriter)" ${_package})
            endif()
        endforeach()
    endif()
elseif(UNIX AND NOT APPLE)
    sdi12_missing("pkg-config" pkg-config)
endif()
