# The companion's Windows pieces, under wine: the COM port list against keys the tests write in
# wine's registry, and the console's code page, modes and events on a console of the test
# program's own. Such a console needs a display under wine (without one it takes no code page
# and no mode), so the suite runs on a virtual X display of its own (scripts/with-xvfb), in a
# wine prefix of its own whose server starts with that display.
add_executable(companion_win32_tests
    ${CMAKE_CURRENT_LIST_DIR}/console_interrupt_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/console_session_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/system_com_ports_test.cpp)
target_link_libraries(companion_win32_tests PRIVATE tavr_companion_win32 advapi32 GTest::gtest
                                                    tavr_win32_test_main)
# The runner comes first: a target named first would be run through wine alone.
add_test(NAME companion_win32_tests
         COMMAND ${PROJECT_SOURCE_DIR}/scripts/with-xvfb ${TAVR_WINE}
                 $<TARGET_FILE:companion_win32_tests>)
set_tests_properties(companion_win32_tests PROPERTIES
    ENVIRONMENT "WINEPREFIX=${CMAKE_CURRENT_BINARY_DIR}/console-wineprefix;WINEDEBUG=-all;WINEDLLOVERRIDES=mscoree,mshtml="
    TIMEOUT 180 LABELS windows)
