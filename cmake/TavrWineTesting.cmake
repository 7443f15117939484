# Testing the Windows cross-build under wine. GoogleTest is built from the sources Debian ships
# (package googletest). Every test runs in a wine prefix of its own in the build folder, made
# once, with one wineserver kept running for the whole CTest run by the fixture "wine": without
# it each test would start and stop a server of its own, seconds each.
set(TAVR_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources to cross-build")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
add_subdirectory(${TAVR_GOOGLETEST_SOURCE} ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# GoogleTest's own code is not held to the project's warning level.
foreach(target gtest gmock)
    target_compile_options(${target} PRIVATE -w)
endforeach()

if(NOT TAVR_WINE)
    message(FATAL_ERROR "Testing the Windows build needs wine (package wine)")
endif()
get_filename_component(TAVR_WINE_FOLDER ${TAVR_WINE} DIRECTORY)
find_program(TAVR_WINESERVER wineserver PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(TAVR_WINESERVER wineserver)
set(TAVR_WINEPREFIX ${PROJECT_BINARY_DIR}/wineprefix)
set(TAVR_WINE_ENVIRONMENT WINEPREFIX=${TAVR_WINEPREFIX} WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=)

add_test(NAME wine_start
         COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-prefix start ${TAVR_WINEPREFIX})
add_test(NAME wine_stop COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-prefix stop ${TAVR_WINEPREFIX})
set_tests_properties(wine_start PROPERTIES FIXTURES_SETUP wine TIMEOUT 120)
set_tests_properties(wine_stop PROPERTIES FIXTURES_CLEANUP wine TIMEOUT 60)

# The test main of the Windows suites: GoogleTest's, behind a filter that ends a crashing test
# program with a fixed failure code (wine would otherwise pass on a random one, 0 included).
add_library(tavr_win32_test_main STATIC ${PROJECT_SOURCE_DIR}/tests/support/win32/test_main.cpp)
target_link_libraries(tavr_win32_test_main PUBLIC GTest::gtest)
