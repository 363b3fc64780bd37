# Checks that Windows programs need nothing but what every Windows installs:
# a player who unpacks the zip has no libstdc++-6.dll, libgcc_s_*.dll or
# libwinpthread-1.dll, and a program that imports one does not even start.
#
#   cmake -DOBJDUMP=x86_64-w64-mingw32-objdump -DPROGRAMS="a.exe;b.exe" -P check_imports.cmake
#
# Prints each program's DLLs; fails naming every DLL that is not a system one,
# and fails when a program has no import table at all (not a program, or
# objdump could not read it), so a broken check never passes quietly.
cmake_minimum_required(VERSION 3.20)

# Windows' own DLLs, lower case without ".dll". The api-ms-win-* and
# ext-ms-win-* API sets are part of the system too (ucrt programs import them).
set(system_dlls
    kernel32 user32 gdi32 shell32 comctl32 comdlg32 winmm advapi32 ole32 oleaut32
    shlwapi version msvcrt ucrtbase)

if(NOT OBJDUMP OR NOT PROGRAMS)
    message(FATAL_ERROR "check_imports: give -DOBJDUMP=<objdump> and -DPROGRAMS=<programs>")
endif()

set(foreign "")
foreach(program IN LISTS PROGRAMS)
    # objdump's report in English whatever the locale: the test sessions run
    # in Japanese for Wine, and binutils translates its headings.
    execute_process(COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C ${OBJDUMP} -p ${program}
                    RESULT_VARIABLE status OUTPUT_VARIABLE dump ERROR_VARIABLE error)
    if(NOT status EQUAL 0)
        message(SEND_ERROR "${program}: ${OBJDUMP} -p failed: ${error}")
        continue()
    endif()
    string(REGEX MATCHALL "DLL Name: [^\r\n]+" entries "${dump}")
    if(NOT entries)
        message(SEND_ERROR "${program}: no import table found")
        continue()
    endif()
    set(names "")
    foreach(entry IN LISTS entries)
        string(REGEX REPLACE "^DLL Name: *" "" dll "${entry}")
        string(STRIP "${dll}" dll)
        list(APPEND names ${dll})
        string(TOLOWER "${dll}" lower)
        string(REGEX REPLACE "\\.dll$" "" base "${lower}")
        if(NOT base IN_LIST system_dlls AND NOT base MATCHES "^(api|ext)-ms-win-")
            list(APPEND foreign "${program}: ${dll}")
        endif()
    endforeach()
    list(JOIN names ", " shown)
    message(STATUS "${program} imports ${shown}")
endforeach()

if(foreign)
    list(JOIN foreign "\n  " shown)
    message(FATAL_ERROR "not a system DLL (link it statically):\n  ${shown}")
endif()
