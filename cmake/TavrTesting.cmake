# tavr_add_test_suite(<name> SOURCES <files...> LIBRARIES <targets...> [LABELS <labels...>])
# Builds one GoogleTest executable and registers each of its tests with CTest. Tests are
# listed when CTest runs, so a sanitizer build never runs them at build time. Suites that run
# more than one thread carry the label "threads" and also run under ThreadSanitizer.
#
# In the Windows cross-build a suite is one CTest test, run whole under wine (one wine start
# per suite rather than per test), with the test main that turns a crash into a failure. In the
# arm64 cross-build a suite is likewise one CTest test, run whole under qemu-user, and the
# build's programs that it starts run under qemu-user too.
function(tavr_add_test_suite name)
    cmake_parse_arguments(SUITE "" "" "SOURCES;LIBRARIES;LABELS" ${ARGN})
    add_executable(${name} ${SUITE_SOURCES})
    if(CMAKE_CROSSCOMPILING AND WIN32)
        target_link_libraries(${name} PRIVATE ${SUITE_LIBRARIES} GTest::gtest GTest::gmock
                                              tavr_win32_test_main)
        add_test(NAME ${name} COMMAND ${name})
        set_tests_properties(${name} PROPERTIES
            ENVIRONMENT "${TAVR_WINE_ENVIRONMENT}" FIXTURES_REQUIRED wine TIMEOUT 300
            LABELS "windows;${SUITE_LABELS}")
        return()
    endif()
    target_link_libraries(${name} PRIVATE ${SUITE_LIBRARIES} GTest::gtest GTest::gmock GTest::gtest_main)
    if(CMAKE_CROSSCOMPILING)
        add_test(NAME ${name} COMMAND ${name})
        set_tests_properties(${name} PROPERTIES
            ENVIRONMENT "${TAVR_EMULATED_TEST_ENVIRONMENT}" TIMEOUT 600
            LABELS "emulated;${SUITE_LABELS}")
        # A deferred call's arguments are read when it runs, so the name is written into it now.
        cmake_language(EVAL CODE
                       "cmake_language(DEFER CALL tavr_start_programs_under_emulator [[${name}]])")
        return()
    endif()
    # One label per suite: a list would be split by the discovery script.
    if(SUITE_LABELS)
        set(label ${SUITE_LABELS})
    else()
        set(label ${name})
    endif()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES
                         PROPERTIES TIMEOUT 120 LABELS ${label})
endfunction()

# tavr_find_test_program(<variable> <program> PACKAGE <Debian package> [PATHS <folders...>])
# Finds a program that a suite runs, or stops the configuration with the Debian package to install.
function(tavr_find_test_program variable program)
    cmake_parse_arguments(FIND "" "PACKAGE" "PATHS" ${ARGN})
    find_program(${variable} ${program} PATHS ${FIND_PATHS})
    if(NOT ${variable})
        message(FATAL_ERROR "The tests need ${program}: install the Debian package "
                            "${FIND_PACKAGE} (scripts/install-deps does)")
    endif()
endfunction()
