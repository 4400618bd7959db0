# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 CDI table editor developers
#
# Checks that a built Help.chm is a CHM file that chmlib can read, holding
# every topic page unchanged, as pages that xchm renders, with contents and
# index that point at pages that exist. Run as: cmake -D... -P check_chm.cmake
#   CHM             the file to check
#   SOURCE_DIR      the help sources, to compare the pages with
#   WORK_DIR        scratch folder for the extracted files
#   ENUM_CHMLIB, EXTRACT_CHMLIB   chmlib's tools (Debian package libchm-bin)
#   TOPICS          comma-separated topic pages that must be in the file
#   CONTENT_FILES   comma-separated files that must come out byte for byte

cmake_minimum_required(VERSION 3.25)

string(REPLACE "," ";" topics "${TOPICS}")
string(REPLACE "," ";" content_files "${CONTENT_FILES}")

if(NOT EXISTS "${CHM}" OR IS_DIRECTORY "${CHM}")
    message(FATAL_ERROR "Help.chm is missing: ${CHM} does not exist (build the target cdi-help)")
endif()

file(READ "${CHM}" magic LIMIT 4 HEX)
if(magic STREQUAL "")
    message(FATAL_ERROR "${CHM} is not a CHM file: it is empty")
elseif(NOT magic STREQUAL "49545346")
    message(FATAL_ERROR "${CHM} is not a CHM file: it starts with the bytes 0x${magic}, "
                        "not with \"ITSF\" (0x49545346)")
endif()

foreach(tool ENUM_CHMLIB EXTRACT_CHMLIB)
    if(NOT ${tool} OR NOT EXISTS "${${tool}}")
        message(FATAL_ERROR "${tool}: chmlib's tools enum_chmLib and extract_chmLib are not "
                            "installed; install the Debian package libchm-bin and configure again")
    endif()
endforeach()

# enum_chmLib ends with status 0 also when it cannot read the directory, and
# then prints "*** ERROR ***" instead of the entries.
execute_process(
    COMMAND "${ENUM_CHMLIB}" "${CHM}"
    OUTPUT_VARIABLE listing
    ERROR_VARIABLE listing_err
    RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR listing MATCHES "\\*\\*\\* ERROR \\*\\*\\*")
    message(FATAL_ERROR "${CHM} is not a CHM file that chmlib can read "
                        "(enum_chmLib status ${rc}):\n${listing}${listing_err}")
endif()

# Each entry line ends in a tab and the entry's name.
set(entries)
string(REPLACE "\n" ";" lines "${listing}")
foreach(line IN LISTS lines)
    if(line MATCHES "\t(/[^\t]*)$")
        list(APPEND entries "${CMAKE_MATCH_1}")
    endif()
endforeach()

set(missing)
foreach(name IN LISTS topics content_files ITEMS Help.hhc Help.hhk "#SYSTEM")
    if(NOT "/${name}" IN_LIST entries)
        list(APPEND missing "${name}")
    endif()
endforeach()
if(missing)
    list(REMOVE_DUPLICATES missing)
    list(JOIN missing ", " missing_text)
    message(FATAL_ERROR "topics missing from ${CHM}: ${missing_text}\n"
                        "enum_chmLib lists:\n${listing}")
endif()

# Extraction decompresses every page; a page that differs from its source
# means a damaged file.
file(REMOVE_RECURSE "${WORK_DIR}")
execute_process(
    COMMAND "${EXTRACT_CHMLIB}" "${CHM}" "${WORK_DIR}"
    OUTPUT_VARIABLE extract_log
    ERROR_VARIABLE extract_log
    RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR extract_log MATCHES "\\*\\*\\* ERROR \\*\\*\\*")
    message(FATAL_ERROR "extract_chmLib cannot extract ${CHM} (status ${rc}):\n${extract_log}")
endif()

set(differing)
foreach(name IN LISTS content_files)
    if(NOT EXISTS "${WORK_DIR}/${name}")
        list(APPEND differing "${name} (not extracted)")
        continue()
    endif()
    file(SHA256 "${SOURCE_DIR}/${name}" expected)
    file(SHA256 "${WORK_DIR}/${name}" actual)
    if(NOT expected STREQUAL actual)
        list(APPEND differing "${name}")
    endif()
endforeach()
if(differing)
    list(JOIN differing ", " differing_text)
    message(FATAL_ERROR "pages in ${CHM} differ from their sources: ${differing_text}")
endif()

# xchm renders a page only if wxWidgets takes it for text/html, which it
# decides by the name: with Debian's MIME data ".htm" comes out as
# application/xhtml+xml and the page is shown as source text. The pages are
# UTF-8 and must say so: undeclared, wxWidgets reads them as ISO-8859-1.
set(unrenderable)
foreach(topic IN LISTS topics)
    if(NOT topic MATCHES "\\.html$")
        list(APPEND unrenderable "${topic} (name does not end in .html)")
        continue()
    endif()
    file(READ "${WORK_DIR}/${topic}" page_text)
    string(FIND "${page_text}" "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">" at)
    if(at EQUAL -1)
        list(APPEND unrenderable "${topic} (no Content-Type meta with charset=utf-8)")
    endif()
endforeach()
if(unrenderable)
    list(JOIN unrenderable ", " unrenderable_text)
    message(FATAL_ERROR "pages in ${CHM} that xchm cannot show: ${unrenderable_text}")
endif()

# Every target of the contents and the index must be a page of the file, and
# every "#anchor" an <a name> on that page (wxHtml scrolls to no other kind of
# anchor); every topic must appear in the contents.
set(problems)
foreach(sitemap Help.hhc Help.hhk)
    file(STRINGS "${WORK_DIR}/${sitemap}" local_lines REGEX "name=\"Local\"")
    if(NOT local_lines)
        list(APPEND problems "${sitemap} has no entries")
    endif()
    set(targets_${sitemap})
    foreach(line IN LISTS local_lines)
        if(NOT line MATCHES "value=\"([^\"#]*)(#([^\"]*))?\"")
            list(APPEND problems "${sitemap}: unreadable entry '${line}'")
            continue()
        endif()
        set(page "${CMAKE_MATCH_1}")
        set(anchor "${CMAKE_MATCH_3}")
        list(APPEND targets_${sitemap} "${page}")
        if(NOT "/${page}" IN_LIST entries)
            list(APPEND problems "${sitemap} points at ${page}, which is not in the file")
        elseif(anchor)
            file(READ "${WORK_DIR}/${page}" page_text)
            string(FIND "${page_text}" "<a name=\"${anchor}\">" at)
            if(at EQUAL -1)
                list(APPEND problems "${sitemap} points at ${page}#${anchor}, which has no such anchor")
            endif()
        endif()
    endforeach()
endforeach()
foreach(topic IN LISTS topics)
    if(NOT topic IN_LIST targets_Help.hhc)
        list(APPEND problems "topic ${topic} is not in the contents Help.hhc")
    endif()
endforeach()
if(problems)
    list(JOIN problems "\n  " problems_text)
    message(FATAL_ERROR "contents or index of ${CHM} are broken:\n  ${problems_text}")
endif()

list(LENGTH topics topic_count)
message(STATUS "${CHM}: valid CHM, ${topic_count} topics, contents and index consistent")
