# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 CDI table editor developers
#
# Compiles Help.chm, run as: cmake -D... -P build_chm.cmake
#   SOURCE_DIR     folder of Help.hhp and the pages
#   STAGE_DIR      scratch folder in the build tree; chmcmd writes beside the
#                  project file, so it runs on a copy and the sources stay clean
#   OUTPUT         where Help.chm goes
#   CHMCMD, ICONV  the tools
#   PROJECT_FILES  comma-separated: Help.hhp, Help.hhc, Help.hhk (UTF-8 in the
#                  sources, Windows-1251 in the CHM, the code page of its
#                  Russian language id, which the viewers use for the contents)
#   CONTENT_FILES  comma-separated pages and style sheet, copied unchanged

cmake_minimum_required(VERSION 3.25)

foreach(var SOURCE_DIR STAGE_DIR OUTPUT CHMCMD ICONV PROJECT_FILES CONTENT_FILES)
    if(NOT DEFINED ${var} OR "${${var}}" STREQUAL "")
        message(FATAL_ERROR "build_chm.cmake: ${var} is not set")
    endif()
endforeach()
string(REPLACE "," ";" project_files "${PROJECT_FILES}")
string(REPLACE "," ";" content_files "${CONTENT_FILES}")

# A failed run must not leave an older Help.chm looking up to date.
file(REMOVE "${OUTPUT}")
file(REMOVE_RECURSE "${STAGE_DIR}")
file(MAKE_DIRECTORY "${STAGE_DIR}")

foreach(name IN LISTS content_files)
    get_filename_component(dir "${STAGE_DIR}/${name}" DIRECTORY)
    file(MAKE_DIRECTORY "${dir}")
    file(COPY_FILE "${SOURCE_DIR}/${name}" "${STAGE_DIR}/${name}")
endforeach()

foreach(name IN LISTS project_files)
    execute_process(
        COMMAND "${ICONV}" -f UTF-8 -t CP1251 "${SOURCE_DIR}/${name}"
        OUTPUT_FILE "${STAGE_DIR}/${name}"
        ERROR_VARIABLE err
        RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "${name}: cannot convert to Windows-1251 (a character outside that code page?): ${err}")
    endif()
endforeach()

execute_process(
    COMMAND "${CHMCMD}" Help.hhp
    WORKING_DIRECTORY "${STAGE_DIR}"
    OUTPUT_VARIABLE log
    ERROR_VARIABLE log
    RESULT_VARIABLE rc)
# chmcmd exits with 0 on some failures (a missing project file) and only warns
# about a missing page or a broken link, so its report is checked as well.
if(NOT rc EQUAL 0 OR NOT EXISTS "${STAGE_DIR}/Help.chm")
    message(FATAL_ERROR "chmcmd failed (exit status ${rc}):\n${log}")
endif()
if(log MATCHES "[Ww]arning|[Ee]rror|[Ee]xception")
    message(FATAL_ERROR "chmcmd reported problems:\n${log}")
endif()

file(COPY_FILE "${STAGE_DIR}/Help.chm" "${OUTPUT}")
