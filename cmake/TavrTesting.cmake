# tavr_add_test_suite(<name> SOURCES <files...> LIBRARIES <targets...> [LABELS <labels...>])
# Builds one GoogleTest executable and registers each of its tests with CTest. Tests are
# listed when CTest runs, so a sanitizer build never runs them at build time. Suites that run
# more than one thread carry the label "threads" and also run under ThreadSanitizer.
function(tavr_add_test_suite name)
    cmake_parse_arguments(SUITE "" "" "SOURCES;LIBRARIES;LABELS" ${ARGN})
    add_executable(${name} ${SUITE_SOURCES})
    target_link_libraries(${name} PRIVATE ${SUITE_LIBRARIES} GTest::gtest GTest::gmock GTest::gtest_main)
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                         PROPERTIES TIMEOUT 120)
    # The discovery script flattens a list-valued test property, so a second label would be
    # lost there; labels of the suite's folder apply to every test it registers.
    set_property(DIRECTORY APPEND PROPERTY LABELS ${name} ${SUITE_LABELS})
endfunction()
