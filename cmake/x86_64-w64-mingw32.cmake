# Cross toolchain for 64-bit Windows (mingw-w64, x86_64): the Wine tests on
# hosts that cannot run 32-bit code.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
