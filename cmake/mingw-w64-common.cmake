# Shared part of the mingw-w64 toolchain files. The posix thread model is
# preferred since it gives std::thread; the win32 one works as well because
# the programs start their thread through the Windows runtime.
foreach(flavour posix win32 "")
    if(flavour)
        set(suffix "-${flavour}")
    else()
        set(suffix "")
    endif()
    find_program(MINGW_CXX ${MINGW_PREFIX}-g++${suffix})
    if(MINGW_CXX)
        find_program(MINGW_CC ${MINGW_PREFIX}-gcc${suffix})
        break()
    endif()
endforeach()
set(CMAKE_C_COMPILER ${MINGW_CC})
set(CMAKE_CXX_COMPILER ${MINGW_CXX})
set(CMAKE_RC_COMPILER ${MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Windows test programs run under Wine; the wrapper picks the right Wine
# loader for the target and says so plainly when Wine cannot run it.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
