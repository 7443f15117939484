# The companion's own tests that need no pseudo-terminal, under wine: option values, durations,
# addresses, the log's local timestamps (Windows' own time zone code) and the waits on the
# serial unit's notices and the operator's interruption (events).
tavr_add_test_suite(cli_tests
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/../notice_waiter_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/../option_values_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/local_zone.cpp
        ${CMAKE_CURRENT_LIST_DIR}/test_interrupt.cpp
    LIBRARIES tavr_companion
    LABELS threads)
target_include_directories(cli_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests)

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
             COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/end_to_end_test.py
                     $<TARGET_FILE:tavr-12864-cli> ${TAVR_METER_SIMULATOR}
                     ${TAVR_LINUX_COMPANION})
    set_tests_properties(cli_end_to_end PROPERTIES
        ENVIRONMENT "${TAVR_WINE_ENVIRONMENT}" FIXTURES_REQUIRED wine TIMEOUT 180
        LABELS "windows;e2e")
endif()
