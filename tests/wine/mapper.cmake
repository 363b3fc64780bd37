# mapper.exe end to end under Wine: a driver starts the real program in fresh
# working folders, with the test joystick (winmm.dll) and the key logger beside
# it, and talks to its windows with messages.
pamuro_wine_test(mapper_e2e_tests
    ${PROJECT_SOURCE_DIR}/tests/wine/mapper/mapper_e2e_test.cpp
    ${PROJECT_SOURCE_DIR}/tests/wine/mapper/mapper_driver.cpp
    LIBS user32 kernel32)
target_include_directories(mapper_e2e_tests PRIVATE ${PROJECT_SOURCE_DIR})
pamuro_use_test_joystick(mapper_e2e_tests mapper_e2e_tests)
add_dependencies(mapper_e2e_tests mapper)
add_custom_command(TARGET mapper_e2e_tests POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:mapper>
            ${CMAKE_BINARY_DIR}/tests/wine/mapper_e2e_tests)
set_tests_properties(mapper_e2e_tests PROPERTIES TIMEOUT 600)

# Key names from the real keyboard layout.
pamuro_wine_test(key_names_win32_tests
    ${PROJECT_SOURCE_DIR}/tests/wine/mapper/key_names_win32_test.cpp
    LIBS mapper_platform)
