# The DirectInput filter DLLs under Wine: the test game (dinput_game.exe)
# reads a test DirectInput (fake_dinput.cpp, built as dinput8.dll and
# dinput.dll) that the test puts into the prefix's system folder for the
# while; with a native override the test's processes load it from there.
set(dinput_fake_dir ${CMAKE_BINARY_DIR}/tests/wine/dinput_fake)
foreach(name dinput8 dinput)
    add_library(fake_${name} SHARED
        ${CMAKE_CURRENT_LIST_DIR}/dinput_filter/fake_dinput.cpp
        ${CMAKE_CURRENT_LIST_DIR}/dinput_filter/fake_${name}.def)
    target_include_directories(fake_${name} PRIVATE ${PROJECT_SOURCE_DIR})
    target_link_libraries(fake_${name} PRIVATE dxguid uuid)
    set_target_properties(fake_${name} PROPERTIES
        OUTPUT_NAME ${name} PREFIX ""
        RUNTIME_OUTPUT_DIRECTORY ${dinput_fake_dir}
        ARCHIVE_OUTPUT_DIRECTORY ${dinput_fake_dir}/lib/${name})
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
        target_link_options(fake_${name} PRIVATE -Wl,--enable-stdcall-fixup)
    endif()
endforeach()

add_executable(dinput_game ${CMAKE_CURRENT_LIST_DIR}/dinput_filter/dinput_game.cpp)
target_include_directories(dinput_game PRIVATE ${PROJECT_SOURCE_DIR})
# dinput8's library for the keyboard's data format only: the game loads
# DirectInput by name at run time.
target_link_libraries(dinput_game PRIVATE dinput8 dxguid uuid)
set_target_properties(dinput_game PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${dinput_fake_dir})

pamuro_wine_test(dinput_filter_tests ${CMAKE_CURRENT_LIST_DIR}/dinput_filter/dinput_filter_test.cpp
    LIBS kernel32)
add_dependencies(dinput_filter_tests fake_dinput8 fake_dinput dinput_game dinput8_filter
                 dinput_filter)
# The test finds the game, the fakes and the filters from its own folder.
get_target_property(filter_folder dinput8_filter RUNTIME_OUTPUT_DIRECTORY)
file(RELATIVE_PATH fake_from_tests ${CMAKE_CURRENT_BINARY_DIR} ${dinput_fake_dir})
file(RELATIVE_PATH filter_from_tests ${CMAKE_CURRENT_BINARY_DIR} ${filter_folder})
target_compile_definitions(dinput_filter_tests PRIVATE
    DINPUT_GAME_RELATIVE="${fake_from_tests}/dinput_game.exe"
    FAKE_DINPUT8_RELATIVE="${fake_from_tests}/dinput8.dll"
    FAKE_DINPUT_RELATIVE="${fake_from_tests}/dinput.dll"
    FILTER_DINPUT8_RELATIVE="${filter_from_tests}/dinput8.dll"
    FILTER_DINPUT_RELATIVE="${filter_from_tests}/dinput.dll")
# Native first for the test's processes only: the test DirectInput in the
# system folder, and the filter beside the game.
set_property(TEST dinput_filter_tests APPEND PROPERTY ENVIRONMENT
    "WINEDLLOVERRIDES=dinput8,dinput=n,b;mscoree,mshtml=")
