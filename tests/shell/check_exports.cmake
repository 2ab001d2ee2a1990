# Checks the built tarvo.dll from the outside: an image of the expected
# format (pei-i386 for 32-bit, pei-x86-64 for 64-bit) that exports
# the two server functions and the three registration functions by their
# plain names and nothing else, and imports from system libraries only.
# Usage: cmake -DDLL=path/tarvo.dll -DOBJDUMP=<triple>-objdump -DFORMAT=pei-i386
#          -P check_exports.cmake
cmake_minimum_required(VERSION 3.25)

execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE dump RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${DLL} failed: ${status}")
endif()
set(failures "")

if(NOT dump MATCHES "file format ${FORMAT}\n")
  list(APPEND failures "not a ${FORMAT} image")
endif()

# The names come from the name pointer table; the address table must hold
# no more entries than that, or something is exported by ordinal alone.
set(export_lines "")
string(FIND "${dump}" "[Ordinal/Name Pointer] Table\n" names_at)
if(names_at GREATER -1)
  string(SUBSTRING "${dump}" ${names_at} -1 names_table)
  string(FIND "${names_table}" "\n\n" names_end)
  string(SUBSTRING "${names_table}" 0 ${names_end} names_table)
  string(REGEX MATCHALL "\n\t\\[ *[0-9]+\\] [^\n]*" export_lines "${names_table}")
endif()
if(NOT dump MATCHES "\tExport Address Table[ \t]+0*5\n")
  list(APPEND failures "the export address table does not hold exactly five entries")
endif()
set(exports "")
foreach(line IN LISTS export_lines)
  string(REGEX REPLACE "^\n\t\\[ *[0-9]+\\] " "" name "${line}")
  list(APPEND exports "${name}")
endforeach()
list(SORT exports)
set(wanted DllCanUnloadNow DllGetClassObject DllInstall DllRegisterServer DllUnregisterServer)
if(NOT exports STREQUAL "${wanted}")
  list(APPEND failures "exports are [${exports}], want [${wanted}]")
endif()

set(system_dlls advapi32.dll comctl32.dll kernel32.dll msvcrt.dll ole32.dll shell32.dll user32.dll)
string(REGEX MATCHALL "DLL Name: [^\n]*" import_lines "${dump}")
if(NOT import_lines)
  list(APPEND failures "no imports found")
endif()
foreach(line IN LISTS import_lines)
  string(REPLACE "DLL Name: " "" name "${line}")
  string(TOLOWER "${name}" name)
  if(NOT name IN_LIST system_dlls)
    list(APPEND failures "imports ${name}, not a system library")
  endif()
endforeach()

if(failures)
  string(REPLACE ";" "\n  " failures "${failures}")
  message(FATAL_ERROR "${DLL}:\n  ${failures}")
endif()
message(STATUS "${DLL}: exports [${exports}], imports [${import_lines}]")
