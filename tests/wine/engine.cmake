# The polling engine on Win32 under Wine, with a scripted joystick (a test
# winmm.dll) and a key logger window. Both helpers serve other fragments too:
#  - pamuro_joystick_stub: winmm.dll in ${PAMURO_JOYSTICK_STUB_DIR}; record in
#    tests/wine/joystick_stub/joystick_stub.h;
#  - pamuro_key_logger: key_logger.exe in ${PAMURO_KEY_LOGGER_DIR}; record and
#    driver helpers in tests/wine/key_logger/key_log.h;
#  - pamuro_xinput_stub: xinput1_4.dll in ${PAMURO_JOYSTICK_STUB_DIR};
#  - pamuro_use_test_joystick(TARGET TEST): copies winmm.dll, xinput1_4.dll and
#    key_logger.exe beside TARGET and runs TEST with the stub in place of the
#    system's winmm, and with no XInput but a native one (the stub, where a
#    test put it into the system folder), so no real pad of the machine joins in.
set(PAMURO_JOYSTICK_STUB_DIR ${CMAKE_BINARY_DIR}/tests/wine/joystick_stub)
set(PAMURO_KEY_LOGGER_DIR ${CMAKE_BINARY_DIR}/tests/wine/key_logger)

# pamuro_stub_dll(TARGET NAME): NAME.dll in ${PAMURO_JOYSTICK_STUB_DIR}, built
# from joystick_stub.cpp and exporting what NAME.def names: winmm.dll, and
# xinput1_4.dll with one XInput pad from the same record. mapper loads XInput
# from the system folder only, so a test copies that one there (see
# mapper_e2e_test.cpp).
function(pamuro_stub_dll target name)
    add_library(${target} SHARED
        ${PROJECT_SOURCE_DIR}/tests/wine/joystick_stub/joystick_stub.cpp
        ${PROJECT_SOURCE_DIR}/tests/wine/joystick_stub/${name}.def)
    target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR})
    set_target_properties(${target} PROPERTIES
        OUTPUT_NAME ${name} PREFIX ""
        RUNTIME_OUTPUT_DIRECTORY ${PAMURO_JOYSTICK_STUB_DIR}
        ARCHIVE_OUTPUT_DIRECTORY ${PAMURO_JOYSTICK_STUB_DIR}/lib/${name})
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
        # The .def names the undecorated exports for both targets; on i686 they
        # resolve to the __stdcall symbols.
        target_link_options(${target} PRIVATE -Wl,--enable-stdcall-fixup)
    endif()
endfunction()
pamuro_stub_dll(pamuro_joystick_stub winmm)
pamuro_stub_dll(pamuro_xinput_stub xinput1_4)

add_executable(pamuro_key_logger WIN32 ${PROJECT_SOURCE_DIR}/tests/wine/key_logger/key_logger.cpp)
target_include_directories(pamuro_key_logger PRIVATE ${PROJECT_SOURCE_DIR})
set_target_properties(pamuro_key_logger PROPERTIES
    OUTPUT_NAME key_logger RUNTIME_OUTPUT_DIRECTORY ${PAMURO_KEY_LOGGER_DIR})

# pamuro_use_test_joystick(TARGET TEST): TARGET gets its own output folder
# (so the stub reaches no other program) with winmm.dll and key_logger.exe
# beside it; TEST runs with the stub loaded instead of Wine's winmm.
function(pamuro_use_test_joystick target test)
    set(folder ${CMAKE_BINARY_DIR}/tests/wine/${target})
    set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${folder})
    add_dependencies(${target} pamuro_joystick_stub pamuro_xinput_stub pamuro_key_logger)
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CMAKE_COMMAND} -E copy_if_different
            $<TARGET_FILE:pamuro_joystick_stub> $<TARGET_FILE:pamuro_xinput_stub>
            $<TARGET_FILE:pamuro_key_logger> ${folder})
    set_property(TEST ${test} APPEND PROPERTY ENVIRONMENT
        "WINEDLLOVERRIDES=winmm,xinput1_4,xinput9_1_0,xinput1_3=n;mscoree,mshtml=")
endfunction()

pamuro_wine_test(engine_win32_tests
    ${PROJECT_SOURCE_DIR}/tests/wine/engine/engine_win32_test.cpp
    LIBS mapper_platform)
pamuro_use_test_joystick(engine_win32_tests engine_win32_tests)

# The engine's portable unit tests on their real target as well.
pamuro_wine_test(engine_core_tests_windows
    ${PROJECT_SOURCE_DIR}/tests/unit/polling_mapping_test.cpp
    ${PROJECT_SOURCE_DIR}/tests/unit/polling_capture_test.cpp
    ${PROJECT_SOURCE_DIR}/tests/unit/polling_stop_test.cpp
    ${PROJECT_SOURCE_DIR}/tests/unit/polling_pad_test.cpp
    ${PROJECT_SOURCE_DIR}/tests/unit/joystick_test.cpp
    ${PROJECT_SOURCE_DIR}/tests/unit/scan_code_test.cpp
    LIBS mapper_platform)

# Not a test: the real rest period of SetSleep 0, 1 and 5 beside Sleep's, printed
# by hand under Wine (bench/rest_period_wine.sh).
add_executable(rest_period_bench_windows ${CMAKE_CURRENT_LIST_DIR}/engine/rest_period_bench.cpp)
target_link_libraries(rest_period_bench_windows PRIVATE mapper_platform)
