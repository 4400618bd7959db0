# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 CDI table editor developers
# The Windows build's suites, run under Wine by scripts/windows-test.sh: those of the domain,
# format and session layers that need neither a POSIX file system nor a Unix shell or avra.
include(${CMAKE_CURRENT_SOURCE_DIR}/firmware/scan.cmake)
include(${CMAKE_CURRENT_SOURCE_DIR}/tables/tests.cmake)
include(${CMAKE_CURRENT_SOURCE_DIR}/format/tests.cmake)
cdi_add_test(tst_writer SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/firmware/tst_writer.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/firmware/writertestsupport.h)
include(${CMAKE_CURRENT_SOURCE_DIR}/firmware/regressions.cmake)
# The platform layer's Windows side: the console of "Компилировать" run by cmd.exe.
cdi_add_test(tst_windowsconsole WIDGETS SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/windows/tst_windowsconsole.cpp)
# Qt's DLLs and MinGW's runtime for the test programs, which run in the build folder; Wine
# sees the root folder as drive Z:.
get_target_property(cdi_qt_core_dll Qt6::Core IMPORTED_LOCATION_RELEASE)
get_filename_component(cdi_qt_bin ${cdi_qt_core_dll} DIRECTORY)
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libstdc++-6.dll
                OUTPUT_VARIABLE cdi_libstdcxx OUTPUT_STRIP_TRAILING_WHITESPACE)
get_filename_component(cdi_gcc_runtime ${cdi_libstdcxx} DIRECTORY)
get_property(cdi_windows_tests DIRECTORY PROPERTY TESTS)
foreach(test IN LISTS cdi_windows_tests)
    set_property(TEST ${test} APPEND PROPERTY ENVIRONMENT
        "WINEPATH=Z:${cdi_qt_bin}\\;Z:${cdi_gcc_runtime}\\;Z:/usr/${CDI_MINGW_TRIPLE}/lib")
endforeach()
