# Every target of the project builds with -Wall -Wextra and no warnings;
# PAMURO_WERROR (on in scripts/test.sh) makes a warning fail the build. Both
# apply to the project's own targets only, those made by this tree's
# CMakeLists: Debian's GoogleTest, built from /usr/src in the cross build, is
# not ours to warn about, and a newer compiler's warning in it must not fail
# our build.
option(PAMURO_WERROR "Treat warnings in the project's own targets as errors" OFF)
set(pamuro_own_target "$<PATH:IS_PREFIX,${PROJECT_SOURCE_DIR},$<TARGET_PROPERTY:SOURCE_DIR>>")
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    set(pamuro_warnings -Wall -Wextra $<$<BOOL:${PAMURO_WERROR}>:-Werror>)
elseif(MSVC)
    set(pamuro_warnings /W4 $<$<BOOL:${PAMURO_WERROR}>:/WX>)
    add_compile_options(/utf-8)
endif()
add_compile_options("$<${pamuro_own_target}:${pamuro_warnings}>")
if(WIN32)
    # Both programs are ANSI programs that show their texts through the wide
    # functions after an explicit conversion; nothing depends on UNICODE.
    add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
    if(MINGW)
        # One self-contained executable: no libgcc or libstdc++ DLL beside it.
        add_link_options(-static -static-libgcc -static-libstdc++)
    endif()
endif()
