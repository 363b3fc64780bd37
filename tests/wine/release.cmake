# The release as players get it: what the two programs need from the system,
# what Windows shows of them, and a driver that runs them from an unpacked
# release zip (tests/wine/release/smoke.sh, run by scripts/test.sh after
# scripts/release.sh).
set(release_tests_dir ${PROJECT_SOURCE_DIR}/tests/wine/release)

# Only system DLLs in the import tables. objdump reads the files on Linux, so
# these run in the i686 build too (label release-static: no Wine needed).
foreach(program mapper disabler)
    add_test(NAME release_imports_${program}
             COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP}
                     -DPROGRAMS=$<TARGET_FILE:${program}>
                     -P ${release_tests_dir}/check_imports.cmake)
    set_tests_properties(release_imports_${program} PROPERTIES LABELS release-static)
endforeach()
# The DirectInput filters that disabler carries, both architectures: only
# system DLLs in their imports too, and every one of them inside disabler.exe.
# Each architecture's filters are read by that architecture's objdump: the
# i686 one does not know x86_64 files.
get_target_property(disabler_folder disabler BINARY_DIR)
set(carried_filters)
foreach(arch x86_64 i686)
    set(filters ${disabler_folder}/filters/dinput8-${arch}.dll
                ${disabler_folder}/filters/dinput-${arch}.dll)
    list(APPEND carried_filters ${filters})
    find_program(objdump_${arch} ${arch}-w64-mingw32-objdump REQUIRED)
    add_test(NAME release_imports_dinput_filters_${arch}
             COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${objdump_${arch}} "-DPROGRAMS=${filters}"
                     -P ${release_tests_dir}/check_imports.cmake)
    set_tests_properties(release_imports_dinput_filters_${arch} PROPERTIES
                         LABELS release-static)
endforeach()
add_test(NAME release_filters_carried_disabler
         COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:disabler> "-DFILTERS=${carried_filters}"
                 -P ${release_tests_dir}/check_filters_carried.cmake)
set_tests_properties(release_filters_carried_disabler PROPERTIES LABELS release-static)

# The check itself must catch a program that needs the compiler's runtime
# DLLs: the compiler's own libstdc++-6.dll is one.
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libstdc++-6.dll
                OUTPUT_VARIABLE runtime_dll OUTPUT_STRIP_TRAILING_WHITESPACE)
if(IS_ABSOLUTE "${runtime_dll}" AND EXISTS "${runtime_dll}")
    add_test(NAME release_imports_check_rejects_runtime_dlls
             COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} -DPROGRAM=${runtime_dll}
                     -DEXPECTED=libgcc_s_ -P ${release_tests_dir}/check_imports_rejects.cmake)
    set_tests_properties(release_imports_check_rejects_runtime_dlls PROPERTIES
                         LABELS release-static)
else()
    message(STATUS "release tests: no libstdc++-6.dll beside ${CMAKE_CXX_COMPILER}; "
                   "the import check is not tested against one")
endif()

# The version every program must carry: the project's.
set(release_version_definitions
    PAMURO_VERSION_TEXT="${PROJECT_VERSION}"
    PAMURO_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
    PAMURO_VERSION_MINOR=${PROJECT_VERSION_MINOR}
    PAMURO_VERSION_PATCH=${PROJECT_VERSION_PATCH})

# Version block, manifest and icon of the programs the build made, under Wine.
pamuro_wine_test(release_resources_tests
    ${release_tests_dir}/release_resources_test.cpp
    ${release_tests_dir}/build_tree_programs.cpp
    LIBS version user32 kernel32)
add_dependencies(release_resources_tests mapper disabler)
get_target_property(mapper_folder mapper BINARY_DIR)
get_target_property(disabler_folder disabler BINARY_DIR)
file(RELATIVE_PATH mapper_from_tests ${CMAKE_CURRENT_BINARY_DIR} ${mapper_folder}/mapper.exe)
file(RELATIVE_PATH disabler_from_tests ${CMAKE_CURRENT_BINARY_DIR} ${disabler_folder}/disabler.exe)
target_compile_definitions(release_resources_tests PRIVATE ${release_version_definitions}
    MAPPER_EXE_RELATIVE="${mapper_from_tests}" DISABLER_EXE_RELATIVE="${disabler_from_tests}")

# The driver of the unpacked release; given the folder, so not a ctest test.
add_executable(release_smoke_tests
    ${release_tests_dir}/release_smoke_test.cpp
    ${release_tests_dir}/release_resources_test.cpp
    ${PROJECT_SOURCE_DIR}/tests/wine/mapper/mapper_driver.cpp)
target_include_directories(release_smoke_tests PRIVATE ${PROJECT_SOURCE_DIR})
target_compile_definitions(release_smoke_tests PRIVATE ${release_version_definitions})
target_link_libraries(release_smoke_tests PRIVATE gtest version shell32 user32 kernel32)
