# The include check on a small tree of its own (crossings/) whose every kind of crossing it must
# name, and nothing else: upward, into a room inside another, from a room inside another to one
# its row leaves out, Qt and Windows' headers outside their folders, a path and a file in no room.
execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_CURRENT_LIST_DIR}/crossings
                        -P ${CHECK}
                RESULT_VARIABLE result ERROR_VARIABLE output)
set(expected
    "base/low.h: base/ includes top/high.h of top/"
    "stray/stray.h: in no room of the map"
    "top/high.h: top/ includes top/inner/inner.h of top/inner/"
    "top/high.h: includes Qt's <QString> outside a qt/ folder"
    "top/high.h: includes <windows.h> outside a win32/ folder"
    "top/inner/inner.h: top/inner/ includes base/low.h of base/"
    "top/qt/peer.cpp: includes nowhere/lost.h, which is in no room")
string(REGEX MATCHALL "[a-z_/]+\\.(h|cpp): [^\n]+" found "${output}")
list(SORT found)
list(SORT expected)
if(result EQUAL 0 OR NOT found STREQUAL expected)
    list(JOIN found "\n" found_text)
    message(FATAL_ERROR "the check said (exit ${result}):\n${output}\nnamed:\n${found_text}")
endif()
