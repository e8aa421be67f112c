# What differs between the systems the console builds on: the POSIX-only
# tools, the warning flags of each compiler and where libxlsxwriter is found.

# The simulator registers a pseudo-terminal as a COM port; it, the tests
# that drive a console through it and the benchmark need POSIX. Windows
# builds the console and the tests that run on the serial-port test double.
if(WIN32)
    set(_sdi12_posix_default OFF)
else()
    set(_sdi12_posix_default ON)
endif()
option(SDI12_POSIX_TOOLS "Build sdi12-sim, the pseudo-terminal tests and the benchmark (POSIX only)"
       ${_sdi12_posix_default})

if(MSVC)
    add_compile_options(/W4 /utf-8 /permissive-)
    add_compile_definitions(_CRT_SECURE_NO_WARNINGS)
else()
    add_compile_options(-Wall -Wextra)
endif()

# libxlsxwriter: through pkg-config where there is one (Debian, MSYS2),
# otherwise by its header and library (vcpkg, a hand-built copy; point
# CMAKE_PREFIX_PATH at it). Either way the target is PkgConfig::XLSXWRITER.
# (The pkg-config search and its libraries are checked in Dependencies.cmake.)
if(NOT TARGET PkgConfig::XLSXWRITER)
    find_path(XLSXWRITER_INCLUDE_DIR xlsxwriter.h)
    find_library(XLSXWRITER_LIBRARY NAMES xlsxwriter libxlsxwriter)
    if(NOT XLSXWRITER_INCLUDE_DIR OR NOT XLSXWRITER_LIBRARY)
        if(UNIX AND NOT APPLE)
            sdi12_missing("libxlsxwriter" libxlsxwriter-dev)
        endif()
        message(FATAL_ERROR "libxlsxwriter not found: install it (MSYS2: mingw-w64-ucrt-x86_64-libxlsxwriter, "
                            "vcpkg: libxlsxwriter) or set CMAKE_PREFIX_PATH to where it is installed")
    endif()
    add_library(PkgConfig::XLSXWRITER UNKNOWN IMPORTED)
    set_target_properties(PkgConfig::XLSXWRITER PROPERTIES
        IMPORTED_LOCATION "${XLSXWRITER_LIBRARY}"
        INTERFACE_INCLUDE_DIRECTORIES "${XLSXWRITER_INCLUDE_DIR}")
    message(STATUS "libxlsxwriter: ${XLSXWRITER_LIBRARY}")
endif()
