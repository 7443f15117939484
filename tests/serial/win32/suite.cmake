# The serial suite of the Windows build: the platform-neutral tests and the Win32 unit's own.
# The unit's tests on real lines need the Linux meter simulator (TAVR_METER_SIMULATOR, built by
# a Linux build) and socat; the fixture "meter_lines" maps their pseudo-terminals as COM ports
# of the tests' wine prefix. Without a simulator those tests are skipped.
set(TAVR_METER_SIMULATOR "" CACHE FILEPATH
    "The Linux meter simulator (tavr-meter-sim) the Windows serial tests talk to under wine")

tavr_add_test_suite(serial_tests
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/../reply_batching_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/../serial_port_properties_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/../value_bytes_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/line_settings_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/win32_serial_port_unit_test.cpp
    LIBRARIES tavr_serial tavr_protocol
    LABELS threads)
# The suite takes seconds; a Close that waits for a read that never completes would hang it,
# and this ends it as a failure well before the test command's own limit.
set_tests_properties(serial_tests PROPERTIES TIMEOUT 60)

if(TAVR_METER_SIMULATOR)
    set(lines ${CMAKE_CURRENT_BINARY_DIR}/meter-lines)
    set(script ${CMAKE_CURRENT_LIST_DIR}/meter_lines)
    add_test(NAME meter_lines_start COMMAND ${script} start ${TAVR_METER_SIMULATOR} ${lines})
    add_test(NAME meter_lines_stop COMMAND ${script} stop ${TAVR_METER_SIMULATOR} ${lines})
    set_tests_properties(meter_lines_start PROPERTIES
        FIXTURES_SETUP meter_lines FIXTURES_REQUIRED wine
        ENVIRONMENT "${TAVR_WINE_ENVIRONMENT}" TIMEOUT 60)
    set_tests_properties(meter_lines_stop PROPERTIES
        FIXTURES_CLEANUP meter_lines ENVIRONMENT "${TAVR_WINE_ENVIRONMENT}" TIMEOUT 60)
    set_tests_properties(serial_tests PROPERTIES
        FIXTURES_REQUIRED "wine;meter_lines"
        ENVIRONMENT "${TAVR_WINE_ENVIRONMENT};TAVR_TEST_METER_CONTROL=Z:${lines}/control")
endif()
