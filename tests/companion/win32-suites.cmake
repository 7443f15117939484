# The companion's own tests that need no pseudo-terminal, under wine: option values, durations,
# addresses, the log's gaps and local timestamps (Windows' own time zone code) and the waits on the
# serial unit's notices and the operator's interruption (events).
tavr_add_test_suite(companion_tests
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/cli/option_values_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/log/reading_gaps_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/meter/poll_schedule_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/platform/notice_waiter_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/platform/win32/local_zone.cpp
        ${CMAKE_CURRENT_LIST_DIR}/platform/win32/test_interrupt.cpp
    LIBRARIES tavr_companion
    LABELS threads)
target_include_directories(companion_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests)

# The companion's Windows pieces, under wine: the COM port list against keys the tests write in
# wine's registry, and the console's code page, modes and events on a console of the test
# program's own. Such a console needs a display under wine (without one it takes no code page
# and no mode), so the suite runs on a virtual X display of its own (scripts/with-xvfb), in a
# wine prefix of its own whose server starts with that display.
add_executable(companion_win32_tests
    ${CMAKE_CURRENT_LIST_DIR}/platform/win32/console_interrupt_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/platform/win32/console_session_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/platform/win32/system_com_ports_test.cpp)
target_link_libraries(companion_win32_tests PRIVATE tavr_companion advapi32 GTest::gtest
                                                    tavr_win32_test_main)
# The runner comes first: a target named first would be run through wine alone.
add_test(NAME companion_win32_tests
         COMMAND ${PROJECT_SOURCE_DIR}/scripts/with-xvfb ${TAVR_WINE}
                 $<TARGET_FILE:companion_win32_tests>)
set_tests_properties(companion_win32_tests PROPERTIES
    ENVIRONMENT "WINEPREFIX=${CMAKE_CURRENT_BINARY_DIR}/console-wineprefix;WINEDEBUG=-all;WINEDLLOVERRIDES=mscoree,mshtml="
    TIMEOUT 180 LABELS windows)

# The companion tavr-12864-cli.exe end to end under wine: against the Linux meter simulator on a
# pseudo-terminal mapped as COM21 of the tests' wine prefix, each answer compared with the Linux
# companion's (TAVR_LINUX_COMPANION, by default the one beside the simulator's build). Without a
# simulator it is skipped.
if(TAVR_METER_SIMULATOR)
    get_filename_component(simulator_build ${TAVR_METER_SIMULATOR} DIRECTORY)
    get_filename_component(simulator_build ${simulator_build}/../.. ABSOLUTE)
    set(TAVR_LINUX_COMPANION ${simulator_build}/app/tavr-12864-cli CACHE FILEPATH
        "The Linux tavr-12864-cli whose answers the Windows companion's must equal")
    find_package(Python3 REQUIRED COMPONENTS Interpreter)
    add_test(NAME cli_end_to_end
             # The interpreter by its path: as a target it would be run through the emulator.
             COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/commands/win32/end_to_end_test.py
                     $<TARGET_FILE:tavr-12864-cli> ${TAVR_METER_SIMULATOR}
                     ${TAVR_LINUX_COMPANION})
    set_tests_properties(cli_end_to_end PROPERTIES
        ENVIRONMENT "${TAVR_WINE_ENVIRONMENT}" FIXTURES_REQUIRED wine TIMEOUT 180
        LABELS "windows;e2e")
endif()
