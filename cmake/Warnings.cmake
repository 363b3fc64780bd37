# Every target of the project builds with -Wall -Wextra and no warnings.
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    add_compile_options(-Wall -Wextra -Werror)
elseif(MSVC)
    add_compile_options(/W4 /WX /utf-8)
endif()
if(WIN32)
    # Both programs are ANSI programs that show their texts through the wide
    # functions after an explicit conversion; nothing depends on UNICODE.
    add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
    if(MINGW)
        # One self-contained executable: no libgcc or libstdc++ DLL beside it.
        add_link_options(-static -static-libgcc -static-libstdc++)
    endif()
endif()
