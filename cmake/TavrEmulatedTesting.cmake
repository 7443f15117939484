# Testing the arm64 cross-build under qemu-user (CMAKE_CROSSCOMPILING_EMULATOR), with no binfmt
# registration assumed: the kernel itself cannot start an arm64 program.
if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
    message(FATAL_ERROR "Testing the arm64 build needs qemu-aarch64 (package qemu-user)")
endif()

# Debian 12's qemu-user lacks the termios2 requests that the serial unit and the simulator set a
# line's rate with; every program of a tested build gets them translated to plain termios.
add_library(tavr_termios2_through_termios OBJECT
            ${PROJECT_SOURCE_DIR}/tests/support/emulated/termios2_through_termios.cpp)
link_libraries(tavr_termios2_through_termios)
add_link_options(-Wl,--wrap=ioctl)

# A suite that starts one of the build's programs finds it through a compile definition holding
# $<TARGET_FILE:program>. Each such path is turned into a launcher script beside the program
# that starts it under the emulator, so the suite, a shell it runs, or any process that it starts
# can start the program. Called at the end of the suite's folder, once its definitions are set.
function(tavr_start_programs_under_emulator suite)
    get_target_property(definitions ${suite} COMPILE_DEFINITIONS)
    if(NOT definitions)
        return()
    endif()
    string(REGEX MATCHALL [[\$<TARGET_FILE:[^>]+>]] paths "${definitions}")
    list(REMOVE_DUPLICATES paths)
    set(emulator "")
    foreach(word IN LISTS CMAKE_CROSSCOMPILING_EMULATOR)
        string(APPEND emulator "'${word}' ")
    endforeach()
    get_property(launched GLOBAL PROPERTY TAVR_EMULATED_PROGRAMS)
    foreach(path IN LISTS paths)
        if(NOT path IN_LIST launched)
            file(GENERATE OUTPUT "${path}-emulated"
                 CONTENT "#!/bin/sh\nexec ${emulator}\"${path}\" \"$@\"\n"
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                  WORLD_READ WORLD_EXECUTE)
            set_property(GLOBAL APPEND PROPERTY TAVR_EMULATED_PROGRAMS "${path}")
        endif()
        string(REPLACE "${path}" "${path}-emulated" definitions "${definitions}")
    endforeach()
    set_target_properties(${suite} PROPERTIES COMPILE_DEFINITIONS "${definitions}")
endfunction()

# Tests that check what qemu-user does not emulate, left out under it (they run on amd64):
set(TAVR_TESTS_NOT_UNDER_EMULATOR
    # A rate with no standard speed code (12345 baud), and the kernel's record of a rate set as
    # a number, exist only with termios2.
    SerialPortUnitTest.ClosingLeavesTheLineAsItWasFound
    SerialPortUnitTest.OpenWritesTheLineSettingsToTheDriver
    # TIOCGEXCL, the query of a terminal's exclusive mode, is not carried.
    SerialPortUnitTest.APortIsHeldExclusively
    SimulatorProcessTest.AnswersAReadThroughItsComLinkAndRemovesTheLinkOnQuit
    # The emulator runs a thread of its own beside the program's.
    SerialPortUnitTest.AFailedOpenLeavesThePortClosedAndLeaksNothing
    # The system names a process under the emulator qemu-aarch64, not after its program.
    WatchTest.CtrlCEndsWithASummaryAndPortsNamesTheHolderMeanwhile)
list(JOIN TAVR_TESTS_NOT_UNDER_EMULATOR ":" TAVR_EMULATED_TEST_FILTER)
set(TAVR_EMULATED_TEST_ENVIRONMENT "GTEST_FILTER=-${TAVR_EMULATED_TEST_FILTER}")
