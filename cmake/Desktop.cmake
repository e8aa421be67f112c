# What the console brings besides its code: the user guide and the icons
# bundled as resources.
include(GNUInstallDirs)

set(SDI12_APP_ID com.orvane.sdi12console)
set(SDI12_ICON_SIZES 16 22 24 32 48 64 128 256)

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
