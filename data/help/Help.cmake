# The help pages and where they go: data/help/<Language>.htm is installed into the help folder
# (two draws of the C runtime generator seeded with 9: "68/6151") under the language name encoded
# as the program encodes it (upper-cased, each character's code in decimal), with ".htm".
#
# hookwise_stage_help(TARGET DIR) also copies them into DIR's help folder whenever a page changes,
# so a program built into DIR (a test) finds them as installed.

# The name encoding is the movies' one.
include(${CMAKE_CURRENT_LIST_DIR}/../../movies/Movies.cmake)

# Kept in the cache so the functions below work from any folder of the build.
set(HOOKWISE_HELP_DIR ${CMAKE_CURRENT_LIST_DIR} CACHE INTERNAL "The help pages' source folder")

function(hookwise_help_folder out)
    set(state 9)
    set(parts "")
    foreach(i 1 2)
        math(EXPR state "(${state} * 214013 + 2531011) % 4294967296")
        math(EXPR draw "(${state} >> 16) & 32767")
        list(APPEND parts ${draw})
    endforeach()
    list(JOIN parts "/" folder)
    set(${out} ${folder} PARENT_SCOPE)
endfunction()

# Pairs "source|installed name" for every page.
function(hookwise_help_files out)
    file(GLOB sources CONFIGURE_DEPENDS ${HOOKWISE_HELP_DIR}/*.htm)
    set(result "")
    foreach(source ${sources})
        get_filename_component(language ${source} NAME_WE)
        hookwise_encode_name(encoded ${language})
        list(APPEND result "${source}|${encoded}.htm")
    endforeach()
    set(${out} ${result} PARENT_SCOPE)
endfunction()

function(hookwise_stage_help target dir)
    hookwise_help_folder(folder)
    hookwise_help_files(pairs)
    set(outputs "")
    foreach(pair ${pairs})
        string(REPLACE "|" ";" parts "${pair}")
        list(GET parts 0 source)
        list(GET parts 1 name)
        set(output ${dir}/${folder}/${name})
        add_custom_command(OUTPUT ${output}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}/${folder}
            COMMAND ${CMAKE_COMMAND} -E copy_if_different ${source} ${output}
            DEPENDS ${source} VERBATIM)
        list(APPEND outputs ${output})
    endforeach()
    add_custom_target(${target}_help DEPENDS ${outputs})
    add_dependencies(${target} ${target}_help)
endfunction()
