# mapper.exe end to end under Wine: a driver starts the real program in fresh
# working folders, with the test joystick (winmm.dll) and the key logger beside
# it, talks to its windows with messages, the mouse and the keyboard, and
# reads what the screen shows.
pamuro_wine_test(mapper_e2e_tests
    ${PROJECT_SOURCE_DIR}/tests/wine/mapper/mapper_e2e_test.cpp
    ${PROJECT_SOURCE_DIR}/tests/wine/mapper/mapper_window_test.cpp
    ${PROJECT_SOURCE_DIR}/tests/wine/mapper/mapper_driver.cpp
    ${PROJECT_SOURCE_DIR}/tests/wine/mapper/window_probe.cpp
    LIBS user32 gdi32 kernel32 shell32 ole32 uuid)
pamuro_use_test_joystick(mapper_e2e_tests mapper_e2e_tests)
pamuro_beside_test(mapper_e2e_tests mapper)
set_tests_properties(mapper_e2e_tests PROPERTIES TIMEOUT 600)

# The menu reader hook DLL, beside the driver that loads it: it reads the
# tray popup inside mapper.exe, where the menu lives.
add_library(pamuro_menu_reader SHARED
    ${PROJECT_SOURCE_DIR}/tests/wine/mapper/menu_reader.cpp
    ${PROJECT_SOURCE_DIR}/tests/wine/mapper/menu_reader.def)
target_include_directories(pamuro_menu_reader PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(pamuro_menu_reader PRIVATE user32 gdi32)
set_target_properties(pamuro_menu_reader PROPERTIES
    OUTPUT_NAME menu_reader PREFIX ""
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/wine/mapper_e2e_tests
    ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/wine/menu_reader_lib)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    target_link_options(pamuro_menu_reader PRIVATE -Wl,--enable-stdcall-fixup)
endif()
add_dependencies(mapper_e2e_tests pamuro_menu_reader)

# Key names from the real keyboard layout.
pamuro_wine_test(key_names_win32_tests
    ${PROJECT_SOURCE_DIR}/tests/wine/mapper/key_names_win32_test.cpp
    LIBS mapper_platform mapper_ui_core)

# The key set follows the program in front: the key logger runs under a set's
# folder and file name, the driver's own window stands for another program.
pamuro_wine_test(mapper_foreground_tests
    ${PROJECT_SOURCE_DIR}/tests/wine/mapper/foreground_follow_test.cpp
    ${PROJECT_SOURCE_DIR}/tests/wine/mapper/mapper_driver.cpp
    LIBS user32 kernel32 shell32)
pamuro_use_test_joystick(mapper_foreground_tests mapper_foreground_tests)
pamuro_beside_test(mapper_foreground_tests mapper pamuro_menu_reader)

# Not a test: mapper's processor time at SetSleep 0, 1 and 5 and the time from
# a pad read to the game's key message, printed by hand under Wine
# (bench/mapper_cost_wine.sh). mapper.exe, the test pad and the key logger lie
# beside it.
add_executable(mapper_cost_bench_windows
    ${PROJECT_SOURCE_DIR}/tests/wine/mapper/mapper_cost_bench.cpp
    ${PROJECT_SOURCE_DIR}/tests/wine/mapper/mapper_driver.cpp)
target_include_directories(mapper_cost_bench_windows PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(mapper_cost_bench_windows PRIVATE user32 gdi32 shell32 winmm)
set_target_properties(mapper_cost_bench_windows PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/wine/mapper_cost_bench)
pamuro_beside_test(mapper_cost_bench_windows mapper pamuro_joystick_stub pamuro_key_logger)

# Not a test: the rates the game sees for rapid fire at 5, 15 and 30 a
# second, printed by hand under Wine (bench/rapid_fire_wine.sh).
add_executable(rapid_fire_bench_windows
    ${PROJECT_SOURCE_DIR}/tests/wine/mapper/rapid_fire_bench.cpp
    ${PROJECT_SOURCE_DIR}/tests/wine/mapper/mapper_driver.cpp)
target_include_directories(rapid_fire_bench_windows PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(rapid_fire_bench_windows PRIVATE user32 gdi32 shell32)
set_target_properties(rapid_fire_bench_windows PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/wine/rapid_fire_bench)
pamuro_beside_test(rapid_fire_bench_windows mapper pamuro_joystick_stub pamuro_key_logger)
