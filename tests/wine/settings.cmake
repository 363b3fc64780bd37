# Top.ini: the project's INI reader and writer against kernel32's
# private-profile functions, the Win32 storage on real files, and the
# portable tests on the real target.
pamuro_wine_test(settings_tests_windows
    ${CMAKE_CURRENT_LIST_DIR}/settings/settings_differential_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/settings/settings_storage_win32_test.cpp
    ${PROJECT_SOURCE_DIR}/tests/unit/ini_profile_test.cpp
    LIBS mapper_platform)

# Not a test: load and save timings of a full table, ours and kernel32's,
# printed side by side. Run it by hand under Wine.
add_executable(settings_bench_windows ${CMAKE_CURRENT_LIST_DIR}/settings/settings_wine_bench.cpp)
target_link_libraries(settings_bench_windows PRIVATE mapper_platform)
