# Writes the hand-kept CHANGELOG.md as the package's Debian changelog, the form dpkg and lintian
# read for a native package. Run as
#   cmake -DINPUT=CHANGELOG.md -DOUTPUT=changelog -DPACKAGE=name -DVERSION=x.y.z
#         -DMAINTAINER="Name <address>" -P changelog.cmake
# CHANGELOG.md holds a heading "## VERSION (YYYY-MM-DD)" per release, newest first, each followed
# by items "- text" whose further lines are indented by two blanks. The newest heading must name
# VERSION, so that a release cannot ship with a stale changelog.

foreach(required INPUT OUTPUT PACKAGE VERSION MAINTAINER)
    if(NOT DEFINED ${required})
        message(FATAL_ERROR "changelog.cmake: ${required} is not set")
    endif()
endforeach()

# The RFC 2822 date of a day, e.g. "Tue, 08 Dec 2026 00:00:00 +0000", with its weekday computed
# (Sakamoto's method), since Debian changelogs carry one and lintian checks it.
function(rfc2822_date year month day result)
    set(offsets 0 3 2 5 0 3 5 1 4 6 2 4)
    math(EXPR index "${month} - 1")
    list(GET offsets ${index} offset)
    set(y ${year})
    if(month LESS 3)
        math(EXPR y "${y} - 1")
    endif()
    math(EXPR weekday "(${y} + ${y} / 4 - ${y} / 100 + ${y} / 400 + ${offset} + ${day}) % 7")
    set(weekdays Sun Mon Tue Wed Thu Fri Sat)
    set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
    list(GET weekdays ${weekday} weekday_name)
    list(GET months ${index} month_name)
    set(${result} "${weekday_name}, ${day} ${month_name} ${year} 00:00:00 +0000" PARENT_SCOPE)
endfunction()

file(STRINGS "${INPUT}" lines ENCODING UTF-8)
set(text "")
set(trailer "")
set(newest "")
foreach(line IN LISTS lines)
    if(line MATCHES "^## ([^ ]+) \\(([0-9][0-9][0-9][0-9])-([0-9][0-9])-([0-9][0-9])\\)$")
        set(version ${CMAKE_MATCH_1})
        if(newest STREQUAL "")
            set(newest ${version})
        endif()
        rfc2822_date(${CMAKE_MATCH_2} ${CMAKE_MATCH_3} ${CMAKE_MATCH_4} date)
        if(NOT trailer STREQUAL "")
            string(APPEND text "${trailer}\n")
        endif()
        string(APPEND text "${PACKAGE} (${version}) unstable; urgency=medium\n\n")
        set(trailer "\n -- ${MAINTAINER}  ${date}\n")
    elseif(line MATCHES "^## ")
        message(FATAL_ERROR "${INPUT}: a heading is not \"## VERSION (YYYY-MM-DD)\": ${line}")
    elseif(line MATCHES "^- (.*)$" AND NOT trailer STREQUAL "")
        string(APPEND text "  * ${CMAKE_MATCH_1}\n")
    elseif(line MATCHES "^  (.*)$" AND NOT trailer STREQUAL "")
        string(APPEND text "    ${CMAKE_MATCH_1}\n")
    elseif(NOT line STREQUAL "" AND NOT trailer STREQUAL "")
        message(FATAL_ERROR "${INPUT}: not an item or its continuation: ${line}")
    endif()
endforeach()

if(NOT newest STREQUAL VERSION)
    message(FATAL_ERROR "${INPUT}: the newest entry is \"${newest}\", not the version ${VERSION}")
endif()
file(WRITE "${OUTPUT}" "${text}${trailer}")
