# The end-to-end suite of the Windows program: the real tavr-12864.exe under wine on Xvfb,
# driven with xdotool against the Linux meter simulator (TAVR_METER_SIMULATOR) on COM1 of a wine
# prefix of its own. Without a simulator it is skipped.
if(TAVR_METER_SIMULATOR)
    find_package(Python3 REQUIRED COMPONENTS Interpreter)
    add_test(NAME win32_end_to_end
             # The interpreter by its path: as a target it would be run through the emulator.
             COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/end_to_end_test.py
                     $<TARGET_FILE:tavr-12864> ${TAVR_METER_SIMULATOR}
                     ${CMAKE_CURRENT_BINARY_DIR}/e2e-wineprefix)
    set_tests_properties(win32_end_to_end PROPERTIES TIMEOUT 300 LABELS "windows;e2e")
endif()
