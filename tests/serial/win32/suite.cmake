# The serial suite of the Windows build: the platform-neutral tests and the Win32 unit's own.
tavr_add_test_suite(serial_tests
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/../serial_port_properties_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/../value_bytes_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/line_settings_test.cpp
    LIBRARIES tavr_serial
    LABELS threads)
