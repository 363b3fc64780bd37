# pamuro_glob(VAR DIR): the .cpp files of DIR, re-globbed at build time so a
# new file needs no edit of a CMakeLists.txt.
function(pamuro_glob var dir)
    file(GLOB found CONFIGURE_DEPENDS ${dir}/*.cpp)
    set(${var} ${found} PARENT_SCOPE)
endfunction()
