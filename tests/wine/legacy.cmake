# The legacy conversion through the Win32 backend: a real Tolvin.dat in the
# Wine prefix's Windows directory and real message boxes.
pamuro_wine_test(legacy_tests_windows
    ${CMAKE_CURRENT_LIST_DIR}/legacy/legacy_win32_test.cpp
    LIBS mapper_platform)
