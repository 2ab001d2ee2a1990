# Checks that setup.exe imports from system libraries only: it must run
# from a folder that holds nothing but itself and tarvo.dll, and must never
# link against the library it installs.
# Usage: cmake -DEXE=path/setup.exe -DOBJDUMP=<triple>-objdump -P check_imports.cmake
cmake_minimum_required(VERSION 3.25)

execute_process(COMMAND ${OBJDUMP} -p ${EXE} OUTPUT_VARIABLE dump RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${EXE} failed: ${status}")
endif()
string(REGEX MATCHALL "DLL Name: [^\n]*" import_lines "${dump}")
if(NOT import_lines)
  message(FATAL_ERROR "${EXE}: no imports found")
endif()
set(system_dlls advapi32.dll kernel32.dll msvcrt.dll)
foreach(line IN LISTS import_lines)
  string(REPLACE "DLL Name: " "" name "${line}")
  string(TOLOWER "${name}" name)
  if(NOT name IN_LIST system_dlls)
    message(FATAL_ERROR "${EXE} imports ${name}, not a system library")
  endif()
endforeach()
message(STATUS "${EXE}: imports [${import_lines}]")
