# With TAVR_FUZZ=ON (clang only) every library is built with AddressSanitizer and
# UndefinedBehaviorSanitizer and instrumented for libFuzzer's coverage feedback, and the targets
# in fuzz/ become libFuzzer binaries. Without it those targets are linked with a replay driver
# that runs them on their seed corpus under CTest.
option(TAVR_FUZZ "Build the fuzz targets as libFuzzer binaries (needs clang++)" OFF)
if(TAVR_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "TAVR_FUZZ needs clang++: configure with -DCMAKE_CXX_COMPILER=clang++")
    endif()
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=all)
    add_link_options(-fsanitize=address,undefined)
endif()
