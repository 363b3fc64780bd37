# The legacy conversion through the Win32 backend: a real Tolvin.dat in the
# Wine prefix's Windows directory and real message boxes.
pamuro_wine_test(legacy_tests_windows
    ${CMAKE_CURRENT_LIST_DIR}/legacy/legacy_win32_test.cpp
    LIBS mapper_platform)

# mapper.exe itself at start-up, driven from outside with the test joystick
# beside it: taking over a Tolvin.dat, and a folder name outside code page 932.
pamuro_wine_test(startup_e2e_tests
    ${CMAKE_CURRENT_LIST_DIR}/legacy/startup_e2e_test.cpp
    ${PROJECT_SOURCE_DIR}/tests/wine/mapper/mapper_driver.cpp
    LIBS user32 kernel32 shell32)
target_include_directories(startup_e2e_tests PRIVATE ${PROJECT_SOURCE_DIR})
pamuro_use_test_joystick(startup_e2e_tests startup_e2e_tests)
set(startup_program ${CMAKE_BINARY_DIR}/tests/wine/startup_e2e_tests/mapper.exe)
add_custom_command(OUTPUT ${startup_program}
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:mapper> ${startup_program}
    DEPENDS mapper)
add_custom_target(startup_program ALL DEPENDS ${startup_program})
add_dependencies(startup_e2e_tests startup_program)
