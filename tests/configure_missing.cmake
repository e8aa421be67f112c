# Configures the tree with one library or Qt module at a time taken as
# missing: each must stop the configuration with one line naming the Debian
# package that brings it.
foreach(pair "z;zlib1g-dev" "xlsxwriter;libxlsxwriter-dev" "SerialPort;qt6-serialport-dev" "Charts;qt6-charts-dev")
    list(GET pair 0 missing)
    list(GET pair 1 package)
    file(REMOVE_RECURSE "${WORK}")
    execute_process(COMMAND ${CMAKE_COMMAND} -S "${SOURCE}" -B "${WORK}" -DSDI12_TESTS=OFF
                            "-DSDI12_CHECK_AS_MISSING=${missing}"
                    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(rc EQUAL 0)
        message(FATAL_ERROR "configure passed with ${missing} missing")
    endif()
    string(REGEX MATCH "not found: install the Debian package ${package} [^\n]*" line "${err}")
    if(NOT line)
        message(FATAL_ERROR "no line naming ${package} for ${missing}:\n${err}")
    endif()
    message(STATUS "${missing}: ${line}")
endforeach()
file(REMOVE_RECURSE "${WORK}")
