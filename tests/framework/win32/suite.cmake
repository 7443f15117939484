# The Win32 peers on real native controls. They need a display: the suite runs with wine on a
# virtual X display of its own (scripts/with-xvfb), in a wine prefix of its own whose server
# starts with that display (the shared prefix's server has none).
add_executable(framework_win32_tests ${CMAKE_CURRENT_LIST_DIR}/list_view_peer_test.cpp)
target_link_libraries(framework_win32_tests PRIVATE tavr_framework_win32 GTest::gtest
                                                    tavr_win32_test_main)
target_include_directories(framework_win32_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests)
# The runner comes first: a target named first would be run through wine alone.
add_test(NAME framework_win32_tests
         COMMAND ${PROJECT_SOURCE_DIR}/scripts/with-xvfb ${TAVR_WINE}
                 $<TARGET_FILE:framework_win32_tests>)
set_tests_properties(framework_win32_tests PROPERTIES
    ENVIRONMENT "WINEPREFIX=${CMAKE_CURRENT_BINARY_DIR}/display-wineprefix;WINEDEBUG=-all;WINEDLLOVERRIDES=mscoree,mshtml="
    TIMEOUT 180 LABELS windows)
