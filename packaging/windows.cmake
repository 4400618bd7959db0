# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 CDI table editor developers
#
# The Windows zip ("cpack -G ZIP" in the build folder, cdi-editor-<version>-windows-x64.zip): the
# two programs, Help.chm and the sample in one folder, with everything they load: Qt's DLLs and
# plug-ins, Qt's Russian texts, MinGW's runtime DLLs, and avra.exe with the ATmega8 definitions.
# Nothing outside the folder is needed. Qt and avra come from the cache of scripts/windows-qt.sh.

set(CDI_AVRA_WINDOWS "$ENV{HOME}/.cache/cdi-editor/avra-mingw" CACHE PATH
    "avra.exe and include/ built for Windows by scripts/windows-qt.sh")
if(NOT EXISTS ${CDI_AVRA_WINDOWS}/avra.exe)
    message(FATAL_ERROR "No avra.exe in ${CDI_AVRA_WINDOWS}: run scripts/windows-qt.sh first")
endif()

# Qt: the libraries of the programs, the windows platform plug-in, the native style, and a
# qt.conf that makes the folder Qt's prefix, so that Qt finds its plug-ins and texts there.
get_target_property(qt_core_dll Qt6::Core IMPORTED_LOCATION_RELEASE)
get_filename_component(qt_bin ${qt_core_dll} DIRECTORY)
get_filename_component(qt_prefix ${qt_bin} DIRECTORY)
install(FILES ${qt_bin}/Qt6Core.dll ${qt_bin}/Qt6Gui.dll ${qt_bin}/Qt6Widgets.dll DESTINATION .)
install(FILES ${qt_prefix}/plugins/platforms/qwindows.dll DESTINATION platforms)
install(FILES ${qt_prefix}/plugins/styles/qwindowsvistastyle.dll DESTINATION styles)
install(FILES ${qt_prefix}/translations/qtbase_ru.qm DESTINATION translations)
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/qt.conf "[Paths]\nPrefix = .\nPlugins = .\nTranslations = translations\n")
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/qt.conf DESTINATION .)

# The C++ runtime of MinGW-w64, which the programs and Qt link dynamically.
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                    OUTPUT_VARIABLE dll_path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${dll_path}" OR NOT EXISTS "${dll_path}")
        message(FATAL_ERROR "${CMAKE_CXX_COMPILER} does not know where ${dll} is")
    endif()
    install(FILES ${dll_path} DESTINATION .)
endforeach()

# The assembler that "Компилировать" runs when avrasm2 is not on the search path.
install(PROGRAMS ${CDI_AVRA_WINDOWS}/avra.exe DESTINATION .)
install(FILES ${CDI_AVRA_WINDOWS}/include/m8def.inc DESTINATION include)
install(FILES ${CDI_AVRA_WINDOWS}/COPYING.avra.txt DESTINATION .)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/copyright DESTINATION . RENAME copyright.txt)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME cdi-editor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "CDI table editor developers")
set(CPACK_PACKAGE_FILE_NAME cdi-editor-${PROJECT_VERSION}-windows-x64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
