# SPDX-License-Identifier: GPL-3.0-or-later
# Reads docs/CHANGES.md, the project's history kept by hand, for the package: the release date of
# a version and the Debian changelog made of every version's entry.
#   kavrol_release_date(CHANGES VERSION OUT)        the date of "## VERSION (YYYY-MM-DD)"
#   kavrol_debian_changelog(CHANGES MAINTAINER OUT)  the changelog's text
#   kavrol_date_epoch(DATE OUT)                     seconds from 1970 to noon UTC of YYYY-MM-DD

# The weekday's English abbreviation of a Gregorian date (Zeller's congruence), as the date line
# of a Debian changelog entry needs it.
function(kavrol_weekday year month day out)
    if(month LESS 3)
        math(EXPR month "${month} + 12")
        math(EXPR year "${year} - 1")
    endif()
    math(EXPR index "(${day} + (13 * (${month} + 1)) / 5 + ${year} + ${year} / 4 - ${year} / 100 + ${year} / 400) % 7")
    # Zeller counts from Saturday.
    set(names Sat Sun Mon Tue Wed Thu Fri)
    list(GET names ${index} name)
    set(${out} ${name} PARENT_SCOPE)
endfunction()

# Noon UTC of a Gregorian date in seconds since 1970 (days from the civil date, in 400-year eras),
# for tools that take their date from SOURCE_DATE_EPOCH.
function(kavrol_date_epoch date out)
    if(NOT date MATCHES "^([0-9][0-9][0-9][0-9])-0?([0-9]+)-0?([0-9]+)$")
        message(FATAL_ERROR "not a date YYYY-MM-DD: ${date}")
    endif()
    set(year ${CMAKE_MATCH_1})
    set(month ${CMAKE_MATCH_2})
    set(day ${CMAKE_MATCH_3})
    if(month LESS_EQUAL 2)
        math(EXPR year "${year} - 1")
        math(EXPR shifted "${month} + 9")
    else()
        math(EXPR shifted "${month} - 3")
    endif()
    math(EXPR era "${year} / 400")
    math(EXPR year_of_era "${year} - ${era} * 400")
    math(EXPR day_of_year "(153 * ${shifted} + 2) / 5 + ${day} - 1")
    math(EXPR day_of_era "${year_of_era} * 365 + ${year_of_era} / 4 - ${year_of_era} / 100 + ${day_of_year}")
    math(EXPR days "${era} * 146097 + ${day_of_era} - 719468")
    math(EXPR seconds "${days} * 86400 + 43200")
    set(${out} ${seconds} PARENT_SCOPE)
endfunction()

# The versions' headings: "## 0.1.0 (2026-12-08)".
set(KAVROL_CHANGES_HEADING "^## ([0-9][0-9.]*) \\(([0-9][0-9][0-9][0-9])-([0-9][0-9])-([0-9][0-9])\\)$")

function(kavrol_release_date changes version out)
    file(STRINGS ${changes} headings REGEX "^## ")
    foreach(heading IN LISTS headings)
        if(heading MATCHES "${KAVROL_CHANGES_HEADING}" AND CMAKE_MATCH_1 STREQUAL version)
            set(${out} "${CMAKE_MATCH_2}-${CMAKE_MATCH_3}-${CMAKE_MATCH_4}" PARENT_SCOPE)
            return()
        endif()
    endforeach()
    message(FATAL_ERROR "${changes} has no entry for version ${version}: add a heading "
                        "\"## ${version} (YYYY-MM-DD)\" with what changed")
endfunction()

# Each version becomes "kavrol (VERSION) unstable; urgency=medium", its items "  * ..." with
# their continuation lines indented to match, and the maintainer's line dated at noon UTC of
# the release day (the day is what the file records).
function(kavrol_debian_changelog changes maintainer out)
    file(STRINGS ${changes} lines ENCODING UTF-8)
    set(text "")
    set(entry "")
    set(trailer "")
    foreach(line IN LISTS lines)
        if(line MATCHES "^## ")
            if(NOT line MATCHES "${KAVROL_CHANGES_HEADING}")
                message(FATAL_ERROR "${changes}: a version's heading reads \"## VERSION "
                                    "(YYYY-MM-DD)\", not \"${line}\"")
            endif()
            string(APPEND text "${entry}${trailer}")
            kavrol_weekday(${CMAKE_MATCH_2} ${CMAKE_MATCH_3} ${CMAKE_MATCH_4} weekday)
            set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
            math(EXPR month_index "${CMAKE_MATCH_3} - 1")
            list(GET months ${month_index} month)
            set(entry "kavrol (${CMAKE_MATCH_1}) unstable; urgency=medium\n\n")
            set(trailer "\n -- ${maintainer}  ${weekday}, ${CMAKE_MATCH_4} ${month} ${CMAKE_MATCH_2} 12:00:00 +0000\n\n")
        elseif(trailer STREQUAL "")
            # The file's own introduction, before the first version.
        elseif(line MATCHES "^- (.*)$")
            string(APPEND entry "  * ${CMAKE_MATCH_1}\n")
        elseif(line MATCHES "^  (.*)$")
            string(APPEND entry "    ${CMAKE_MATCH_1}\n")
        elseif(NOT line STREQUAL "")
            string(APPEND entry "  ${line}\n")
        elseif(NOT entry MATCHES "\n\n$")
            string(APPEND entry "\n")
        endif()
    endforeach()
    string(APPEND text "${entry}${trailer}")
    # Blank lines before the maintainer's line are the entry's, not the file's.
    string(REGEX REPLACE "\n\n+\n -- " "\n\n -- " text "${text}")
    string(REGEX REPLACE "\n+$" "\n" text "${text}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()
