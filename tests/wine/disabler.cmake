# disabler under Wine: the scan through the Win32 file backend on real files,
# and the real disabler.exe driven from outside by a test program that fills
# its field, presses its buttons, drops files on it and reads and dismisses
# its message boxes.
pamuro_wine_test(disabler_scan_tests_windows
    ${PROJECT_SOURCE_DIR}/tests/unit/disabler_scan_test.cpp
    LIBS disabler_core disabler_platform)

pamuro_wine_test(disabler_dialog_tests
    ${CMAKE_CURRENT_LIST_DIR}/disabler/patcher_dialog_test.cpp
    LIBS user32 shell32 kernel32)
add_dependencies(disabler_dialog_tests disabler)
# The test finds disabler.exe from its own folder.
file(RELATIVE_PATH disabler_from_tests ${CMAKE_CURRENT_BINARY_DIR} ${CMAKE_BINARY_DIR}/disabler)
target_compile_definitions(disabler_dialog_tests PRIVATE
    DISABLER_EXE_RELATIVE="${disabler_from_tests}/disabler.exe"
    FILTER_DINPUT8_I686_RELATIVE="${disabler_from_tests}/filters/dinput8-i686.dll")
