cmake_minimum_required(VERSION 3.25)
# The editor loads Tessaro.auf by its one export; it must not need any DLL that does not
# come with Windows.
include(${CMAKE_CURRENT_LIST_DIR}/../support/system_imports.cmake)
objdump_headers(${MODULE} dump)
check_system_imports(Tessaro.auf "${dump}")

# Export table: the entries between "[Ordinal/Name Pointer] Table" and the next blank line.
string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table[^\n]*\n(([^\n]+\n)*)" table "${dump}")
set(entries "${CMAKE_MATCH_1}")
string(REGEX MATCHALL "\\][ \t]+[^\n]+" names "${entries}")
set(exported "")
foreach(n IN LISTS names)
  string(REGEX REPLACE "^\\][ \t]+" "" n "${n}")
  string(STRIP "${n}" n)
  list(APPEND exported "${n}")
endforeach()
if(NOT exported STREQUAL "GetFilterTableList")
  message(FATAL_ERROR "exports are '${exported}', expected exactly GetFilterTableList")
endif()
message(STATUS "exports ${exported}")
