# tavr_add_test_suite(<name> SOURCES <files...> LIBRARIES <targets...> [LABELS <labels...>])
# Builds one GoogleTest executable and registers each of its tests with CTest. Tests are
# listed when CTest runs, so a sanitizer build never runs them at build time. Suites that run
# more than one thread carry the label "threads" and also run under ThreadSanitizer.
function(tavr_add_test_suite name)
    cmake_parse_arguments(SUITE "" "" "SOURCES;LIBRARIES;LABELS" ${ARGN})
    add_executable(${name} ${SUITE_SOURCES})
    target_link_libraries(${name} PRIVATE ${SUITE_LIBRARIES} GTest::gtest GTest::gmock GTest::gtest_main)
    # One label per suite: a list would be split by the discovery script.
    if(SUITE_LABELS)
        set(label ${SUITE_LABELS})
    else()
        set(label ${name})
    endif()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES
                         PROPERTIES TIMEOUT 120 LABELS ${label})
endfunction()
