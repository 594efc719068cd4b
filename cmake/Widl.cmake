# widl_typelib(<target-prefix> <file.idl>)
# Compiles an IDL file with widl into a header, an identifier file and a type
# library in the current binary folder, and defines:
#   <prefix>_IDL_HEADER  the generated header's folder (add to include dirs)
#   <prefix>_IDL_IIDS    the generated identifier source (compile as C)
#   <prefix>_IDL_TLB     the type library, for embedding as TYPELIB resource 1
# Debian's MinGW ships no .idl files; Wine's development headers provide the
# imports and stdole2.tlb.
find_program(WIDL widl REQUIRED)
set(WIDL_INCLUDE_DIR /usr/include/wine/wine/windows)

function(widl_typelib prefix idl)
    get_filename_component(name ${idl} NAME_WE)
    get_filename_component(idl_abs ${idl} ABSOLUTE)
    set(out ${CMAKE_CURRENT_BINARY_DIR})
    set(flags ${WIDL_TARGET_FLAG} -I${WIDL_INCLUDE_DIR} -I${CMAKE_SOURCE_DIR}
              -I${CMAKE_CURRENT_SOURCE_DIR} -L${WINE_DLL_DIR})
    add_custom_command(
        OUTPUT ${out}/${name}.h ${out}/${name}_i.c ${out}/${name}.tlb
        COMMAND ${WIDL} ${flags} -h -o ${out}/${name}.h ${idl_abs}
        COMMAND ${WIDL} ${flags} -u -o ${out}/${name}_i.c ${idl_abs}
        COMMAND ${WIDL} ${flags} -t -o ${out}/${name}.tlb ${idl_abs}
        DEPENDS ${idl_abs}
        COMMENT "widl ${name}.idl"
        VERBATIM)
    set(${prefix}_IDL_HEADER ${out} PARENT_SCOPE)
    set(${prefix}_IDL_IIDS ${out}/${name}_i.c PARENT_SCOPE)
    set(${prefix}_IDL_TLB ${out}/${name}.tlb PARENT_SCOPE)
endfunction()
