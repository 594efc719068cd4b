# resource_library(<name> <file.rc> [RC options...])
# A DLL of resources only: no entry point, no code, nothing that runs.
# GNU ld links one with the entry point set to 0; lld's MinGW driver always
# names an entry symbol, so with clang the resources are linked by lld-link
# itself, which knows /noentry.
function(resource_library name rc)
    get_filename_component(rc_abs ${rc} ABSOLUTE)
    if(NOT MINGW_COMPILER STREQUAL "clang")
        add_library(${name} SHARED ${rc_abs})
        set_target_properties(${name} PROPERTIES LINKER_LANGUAGE C)
        target_link_options(${name} PRIVATE -nostdlib -nostartfiles -Wl,--entry=0)
        target_compile_options(${name} PRIVATE $<$<COMPILE_LANGUAGE:RC>:${ARGN}>)
        target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
        return()
    endif()
    find_program(LLD_LINK lld-link REQUIRED)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        set(machine /machine:x64)
    else()
        set(machine /machine:x86 /safeseh:no)
    endif()
    set(res ${CMAKE_CURRENT_BINARY_DIR}/${name}.res)
    set(dll ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${name}.dll)
    add_custom_command(
        OUTPUT ${dll}
        COMMAND ${CMAKE_RC_COMPILER} ${ARGN} -I${CMAKE_SOURCE_DIR} -I${CMAKE_CURRENT_SOURCE_DIR} -O coff
                -i ${rc_abs} -o ${res}
        COMMAND ${LLD_LINK} /nologo /dll /noentry /nodefaultlib ${machine} ${res} /out:${dll}
                /implib:${CMAKE_CURRENT_BINARY_DIR}/${name}.lib
        DEPENDS ${rc_abs}
        IMPLICIT_DEPENDS C ${rc_abs}
        COMMENT "resource library ${name}.dll"
        VERBATIM)
    add_custom_target(${name} ALL DEPENDS ${dll})
endfunction()
