# The portable core's unit tests that touch no files, built for Windows and
# run under Wine: the same code on its real target.
pamuro_wine_test(core_tests_windows
    ${PROJECT_SOURCE_DIR}/tests/unit/keyset_table_test.cpp
    LIBS mapper_platform)
