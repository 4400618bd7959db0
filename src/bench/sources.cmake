# SPDX-License-Identifier: GPL-3.0-or-later
# The timing bench: the simulator runner (libsimavr, no Qt) and the client side that plans
# the points, runs the runner processes and judges what they measured.
include(${CMAKE_CURRENT_LIST_DIR}/image.cmake)
find_path(SIMAVR_INCLUDE_DIR simavr/sim_avr.h)
find_library(SIMAVR_LIBRARY NAMES simavr)
if(NOT SIMAVR_INCLUDE_DIR OR NOT SIMAVR_LIBRARY)
    message(WARNING "libsimavr not found (Debian package libsimavr-dev): the timing bench is not built")
    set(CDI_HAVE_BENCH OFF)
    return()
endif()
set(CDI_HAVE_BENCH ON)

add_library(cdisim STATIC
    ${CMAKE_CURRENT_LIST_DIR}/simcore.cpp)
target_include_directories(cdisim PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_include_directories(cdisim SYSTEM PRIVATE ${SIMAVR_INCLUDE_DIR})
target_link_libraries(cdisim PUBLIC cdihex PRIVATE ${SIMAVR_LIBRARY})
target_compile_options(cdisim PRIVATE -Wall -Wextra)
set_target_properties(cdisim PROPERTIES AUTOMOC OFF)

add_executable(cdi-bench-sim ${CMAKE_CURRENT_LIST_DIR}/simmain.cpp)
target_link_libraries(cdi-bench-sim PRIVATE cdisim)
target_compile_options(cdi-bench-sim PRIVATE -Wall -Wextra)
# At the top of the build folder, beside the programs that start it.
set_target_properties(cdi-bench-sim PROPERTIES AUTOMOC OFF RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
install(TARGETS cdi-bench-sim RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/cdi-editor)

add_library(cdibench STATIC
    ${CMAKE_CURRENT_LIST_DIR}/benchplan.cpp
    ${CMAKE_CURRENT_LIST_DIR}/benchrun.cpp
    ${CMAKE_CURRENT_LIST_DIR}/scratchfolder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/verify.cpp)
target_link_libraries(cdibench PUBLIC cdisession cdisim cdiimage)
target_compile_options(cdibench PRIVATE -Wall -Wextra)
add_dependencies(cdibench cdi-bench-sim)

add_executable(cdi-bench ${CMAKE_CURRENT_LIST_DIR}/climain.cpp)
target_link_libraries(cdi-bench PRIVATE cdibench)
set_target_properties(cdi-bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
install(TARGETS cdi-bench RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
