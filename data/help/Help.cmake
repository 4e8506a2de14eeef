# The help pages and where they go: data/help/<Language>.htm is installed into the help folder
# (two draws of the C runtime generator seeded with 9: "68/6151") under the language name encoded
# as the program encodes it (upper-cased, each character's code in decimal), with ".htm"; the
# pages' style sheet help.css goes beside them.
#
# hookwise_stage_help(TARGET DIR) also copies them into DIR's help folder whenever a page changes,
# so a program built into DIR (a test) finds them as installed.

# The hidden folders, the name encoding and the copying are the movies' ones.
include(${CMAKE_CURRENT_LIST_DIR}/../../movies/Movies.cmake)

# Kept in the cache so the functions below work from any folder of the build.
set(HOOKWISE_HELP_DIR ${CMAKE_CURRENT_LIST_DIR} CACHE INTERNAL "The help pages' source folder")

function(hookwise_help_folder out)
    hookwise_hidden_folder(folder 9)
    set(${out} ${folder} PARENT_SCOPE)
endfunction()

# Pairs "source|installed name" for every page and the style sheet.
function(hookwise_help_files out)
    file(GLOB sources CONFIGURE_DEPENDS ${HOOKWISE_HELP_DIR}/*.htm)
    set(result "${HOOKWISE_HELP_DIR}/help.css|help.css")
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
    hookwise_stage_pairs(outputs ${dir} ${folder} ${pairs})
    add_custom_target(${target}_help DEPENDS ${outputs})
    add_dependencies(${target} ${target}_help)
endfunction()
