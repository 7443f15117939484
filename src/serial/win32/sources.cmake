# The serial port unit on Windows: overlapped I/O on \\.\COMn, watched by a thread waiting in
# WaitCommEvent (or, where that cannot wait, in a one-byte read).
target_sources(tavr_serial PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/com_device_path.cpp
    ${CMAKE_CURRENT_LIST_DIR}/comm_watcher.cpp
    ${CMAKE_CURRENT_LIST_DIR}/line_settings.cpp
    ${CMAKE_CURRENT_LIST_DIR}/win32_serial_port_unit.cpp)
