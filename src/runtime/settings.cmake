# The settings store: the registry services kept as registry-export files in the program's
# per-user folder.
add_library(tavr_settings STATIC
    ${CMAKE_CURRENT_LIST_DIR}/atomic_file_replace.cpp
    ${CMAKE_CURRENT_LIST_DIR}/config_folder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/environment_expansion.cpp
    ${CMAKE_CURRENT_LIST_DIR}/folder_lock.cpp
    ${CMAKE_CURRENT_LIST_DIR}/private_ownership.cpp
    ${CMAKE_CURRENT_LIST_DIR}/registry.cpp
    ${CMAKE_CURRENT_LIST_DIR}/registry_data.cpp
    ${CMAKE_CURRENT_LIST_DIR}/registry_document.cpp
    ${CMAKE_CURRENT_LIST_DIR}/registry_file.cpp
    ${CMAKE_CURRENT_LIST_DIR}/registry_parse_memo.cpp
    ${CMAKE_CURRENT_LIST_DIR}/registry_path.cpp
    ${CMAKE_CURRENT_LIST_DIR}/registry_root.cpp
    ${CMAKE_CURRENT_LIST_DIR}/registry_text_format.cpp
    ${CMAKE_CURRENT_LIST_DIR}/utf16le_text.cpp)
target_link_libraries(tavr_settings PUBLIC tavr_runtime)
