# widl_typelib(<target-prefix> <file.idl>)
# Compiles an IDL file with widl into a header, an identifier file and a type
# library in the current binary folder, and defines:
#   <prefix>_IDL_HEADER  the generated header's folder (add to include dirs)
#   <prefix>_IDL_IIDS    the generated identifier source (compile as C)
#   <prefix>_IDL_TLB     the type library, for embedding as TYPELIB resource 1
# Debian's MinGW ships no .idl files; Wine's development headers provide the
# imports and stdole2.tlb.
find_program(WIDL widl REQUIRED)
find_package(Python3 REQUIRED COMPONENTS Interpreter)
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
        # widl stores the library's help context where it does not read back.
        COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/cmake/tlb_library_helpcontext.py ${out}/${name}.tlb
        DEPENDS ${idl_abs} ${CMAKE_SOURCE_DIR}/cmake/tlb_library_helpcontext.py
        COMMENT "widl ${name}.idl"
        VERBATIM)
    set(${prefix}_IDL_HEADER ${out} PARENT_SCOPE)
    set(${prefix}_IDL_IIDS ${out}/${name}_i.c PARENT_SCOPE)
    set(${prefix}_IDL_TLB ${out}/${name}.tlb PARENT_SCOPE)
endfunction()

# add_com_server(<name> [SUFFIX <.ext>] <sources>...)
# <name>.dll (or <name><.ext>, such as a control's .ocx): an in-process
# server from the sources, its <name>.def and the type library compiled from
# <name>.idl, embedded as TYPELIB 1 so that IDispatch and registration need
# no separate file, and the four standard exports (the sources define
# win32::kServerClasses); and <name>_interface: a static library with the
# generated header and identifiers, for its clients.
function(add_com_server name)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "SUFFIX" "")
    widl_typelib(${name} ${name}.idl)
    add_library(${name}_interface STATIC ${${name}_IDL_IIDS})
    target_include_directories(${name}_interface PUBLIC ${${name}_IDL_HEADER})

    set(rc ${CMAKE_CURRENT_BINARY_DIR}/${name}.rc)
    file(CONFIGURE OUTPUT ${rc} CONTENT "1 TYPELIB \"${${name}_IDL_TLB}\"\n")
    set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${${name}_IDL_TLB})

    add_library(${name} SHARED ${arg_UNPARSED_ARGUMENTS} ${CMAKE_SOURCE_DIR}/platform/win32/StandardExports.cpp
                ${name}.def ${rc})
    target_link_libraries(${name} PRIVATE ${name}_interface platform_win32)
    if(arg_SUFFIX)
        set_target_properties(${name} PROPERTIES SUFFIX ${arg_SUFFIX})
    endif()
endfunction()
