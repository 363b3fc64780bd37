find_package(Python3 REQUIRED COMPONENTS Interpreter)

# pamuro_sjis_texts(TARGET TEXTS HEADER): the readable UTF-8 texts in TEXTS
# (beside the calling CMakeLists.txt) become the Shift-JIS constants of the
# generated HEADER, included as "HEADER" by TARGET and all that link it.
function(pamuro_sjis_texts target texts header)
    set(source ${CMAKE_CURRENT_SOURCE_DIR}/${texts})
    set(output ${PROJECT_BINARY_DIR}/generated/${header})
    add_custom_command(OUTPUT ${output}
        COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/scripts/make_sjis_texts.py ${source} ${output}
        DEPENDS ${source} ${PROJECT_SOURCE_DIR}/scripts/make_sjis_texts.py)
    add_custom_target(${target}_texts DEPENDS ${output})
    target_sources(${target} PRIVATE ${output})
    target_include_directories(${target} PUBLIC ${PROJECT_BINARY_DIR}/generated)
    add_dependencies(${target} ${target}_texts)
endfunction()
