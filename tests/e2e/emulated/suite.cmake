# The end-to-end case of a cross-build tested under an emulator: the build's own companion reads
# the build's own simulator over a pseudo-terminal, both run by the emulator.
add_test(NAME companion_reads_simulator
         COMMAND ${CMAKE_CURRENT_LIST_DIR}/companion_reads_simulator.sh
                 $<TARGET_FILE:tavr-meter-sim> $<TARGET_FILE:tavr-12864-cli>
                 ${CMAKE_CROSSCOMPILING_EMULATOR})
set_tests_properties(companion_reads_simulator PROPERTIES TIMEOUT 300 LABELS "emulated;e2e")
