# The companion's Windows pieces, under wine: the COM port list against keys the tests write in
# wine's registry, and the console events on the test program's own console.
tavr_add_test_suite(companion_win32_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/system_com_ports_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/console_interrupt_test.cpp
    LIBRARIES tavr_companion_win32 advapi32)
