# Proves that check_imports.cmake catches what it is there for: run on a
# program that needs runtime DLLs, it must fail and name each of them.
#
#   cmake -DOBJDUMP=... -DPROGRAM=libstdc++-6.dll -DEXPECTED="libgcc_s_seh-1.dll;..." -P this
cmake_minimum_required(VERSION 3.20)
execute_process(
    COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${OBJDUMP} -DPROGRAMS=${PROGRAM}
            -P ${CMAKE_CURRENT_LIST_DIR}/check_imports.cmake
    RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
message("${output}")
if(status EQUAL 0)
    message(FATAL_ERROR "the import check accepted ${PROGRAM}")
endif()
foreach(dll IN LISTS EXPECTED)
    string(FIND "${output}" "${PROGRAM}: ${dll}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "the import check did not name ${dll}")
    endif()
endforeach()
