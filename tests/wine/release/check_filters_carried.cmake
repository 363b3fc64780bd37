# Checks that disabler.exe carries the DirectInput filter DLLs it writes
# beside games: every filter file's bytes stand whole in the program (as its
# RCDATA resources), so a build that left one out, or carried a stale one,
# fails here rather than on a player's machine.
#
#   cmake -DPROGRAM=disabler.exe -DFILTERS="a.dll;b.dll" -P check_filters_carried.cmake
cmake_minimum_required(VERSION 3.20)

if(NOT PROGRAM OR NOT FILTERS)
    message(FATAL_ERROR "check_filters_carried: give -DPROGRAM=<program> and -DFILTERS=<dlls>")
endif()

file(READ ${PROGRAM} program HEX)
foreach(filter IN LISTS FILTERS)
    file(SIZE ${filter} size)
    if(size LESS 1024)
        message(SEND_ERROR "${filter}: not a filter DLL (${size} bytes)")
        continue()
    endif()
    file(READ ${filter} bytes HEX)
    string(FIND "${program}" "${bytes}" at)
    if(at EQUAL -1)
        message(SEND_ERROR "${PROGRAM} does not carry ${filter}")
    else()
        message(STATUS "${PROGRAM} carries ${filter}")
    endif()
endforeach()
