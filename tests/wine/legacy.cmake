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
pamuro_use_test_joystick(startup_e2e_tests startup_e2e_tests)
pamuro_beside_test(startup_e2e_tests mapper)
