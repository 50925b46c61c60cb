cmake_minimum_required(VERSION 3.25)
# The editor loads a plug-in by its exports (EXPORTS, by default Tessaro.auf's one); it must not
# need any DLL that does not come with Windows.
include(${CMAKE_CURRENT_LIST_DIR}/../support/system_imports.cmake)
if(NOT DEFINED EXPORTS)
  set(EXPORTS GetFilterTableList)
endif()
get_filename_component(name ${MODULE} NAME)
objdump_headers(${MODULE} dump)
check_system_imports(${name} "${dump}")

# Export table: the entries between "[Ordinal/Name Pointer] Table" and the next blank line.
string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table[^\n]*\n(([^\n]+\n)*)" table "${dump}")
set(entries "${CMAKE_MATCH_1}")
# Each entry is "[   N] NAME". The "]" goes before the matches become a list: CMake does not
# split a list at semicolons after an unmatched bracket.
string(REGEX MATCHALL "\\][ \t]+[^ \t\n]+" names "${entries}")
string(REGEX REPLACE "\\][ \t]+" "" exported "${names}")
if(NOT exported STREQUAL EXPORTS)
  message(FATAL_ERROR "${name} exports '${exported}', expected exactly '${EXPORTS}'")
endif()
message(STATUS "exports ${exported}")
