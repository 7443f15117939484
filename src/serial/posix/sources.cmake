# The serial port unit on Linux: termios on a terminal device held exclusively, watched by a
# thread sleeping in poll().
target_sources(tavr_serial PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/com_port_path.cpp
    ${CMAKE_CURRENT_LIST_DIR}/exclusive_tty.cpp
    ${CMAKE_CURRENT_LIST_DIR}/kernel_terminal_settings.cpp
    ${CMAKE_CURRENT_LIST_DIR}/serial_line_settings.cpp
    ${CMAKE_CURRENT_LIST_DIR}/serial_port_unit.cpp
    ${CMAKE_CURRENT_LIST_DIR}/serial_watcher.cpp)
