cmake_minimum_required(VERSION 3.25)
# tessaro.exe must run on a bare Windows: it may import only DLLs that come with it.
include(${CMAKE_CURRENT_LIST_DIR}/../support/system_imports.cmake)
objdump_headers(${PROGRAM} dump)
check_system_imports(${PROGRAM} "${dump}")
