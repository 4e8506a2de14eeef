# The movies and where they go: each movies/<Base>.qml is installed into the movie folder under
# its encoded name (upper-cased, each character's code in decimal) with its window's extension;
# the folders beside them go as they are: movies/common/ (palette, texts and shared components)
# as "common/", movies/main/ (the main movie's pages) as "main/".
#
# hookwise_stage_movies(TARGET DIR) also copies them into DIR's movie folder whenever a movie
# changes, so a program built into DIR (a test, the screenshot tool) finds them as installed.

# Kept in the cache so the functions below work from any folder of the build.
set(HOOKWISE_MOVIES_DIR ${CMAKE_CURRENT_LIST_DIR} CACHE INTERNAL "The movies' source folder")

# A hidden folder below the program folder: two draws of the C runtime generator seeded with seed.
function(hookwise_hidden_folder out seed)
    set(state ${seed})
    set(parts "")
    foreach(i 1 2)
        math(EXPR state "(${state} * 214013 + 2531011) % 4294967296")
        math(EXPR draw "(${state} >> 16) & 32767")
        list(APPEND parts ${draw})
    endforeach()
    list(JOIN parts "/" folder)
    set(${out} ${folder} PARENT_SCOPE)
endfunction()

# The movie folder: seed 10.
function(hookwise_movie_folder out)
    hookwise_hidden_folder(folder 10)
    set(${out} ${folder} PARENT_SCOPE)
endfunction()

# The encoded file name: "HkMain" -> "727577657378".
function(hookwise_encode_name out name)
    string(TOUPPER "${name}" upper)
    string(HEX "${upper}" hex)
    string(LENGTH "${hex}" length)
    set(encoded "")
    set(i 0)
    while(i LESS length)
        string(SUBSTRING "${hex}" ${i} 2 pair)
        math(EXPR code "0x${pair}")
        string(APPEND encoded "${code}")
        math(EXPR i "${i} + 2")
    endwhile()
    set(${out} ${encoded} PARENT_SCOPE)
endfunction()

# The extension of a movie by its base name: About and splash have their own.
function(hookwise_movie_extension out name)
    if(name STREQUAL "AB")
        set(${out} ".phs" PARENT_SCOPE)
    elseif(name STREQUAL "HkSplsh")
        set(${out} ".pbs" PARENT_SCOPE)
    else()
        set(${out} ".pbf" PARENT_SCOPE)
    endif()
endfunction()

# Pairs "source|folder/name" for every file of the movies' folders (common/, main/).
function(hookwise_movie_folder_files out)
    set(result "")
    foreach(folder common main)
        file(GLOB files CONFIGURE_DEPENDS ${HOOKWISE_MOVIES_DIR}/${folder}/*)
        foreach(source ${files})
            get_filename_component(name ${source} NAME)
            list(APPEND result "${source}|${folder}/${name}")
        endforeach()
    endforeach()
    set(${out} ${result} PARENT_SCOPE)
endfunction()

# Pairs "source|installed name" for every movie.
function(hookwise_movie_files out)
    file(GLOB sources CONFIGURE_DEPENDS ${HOOKWISE_MOVIES_DIR}/*.qml)
    set(result "")
    foreach(source ${sources})
        get_filename_component(base ${source} NAME_WE)
        hookwise_encode_name(encoded ${base})
        hookwise_movie_extension(extension ${base})
        list(APPEND result "${source}|${encoded}${extension}")
    endforeach()
    set(${out} ${result} PARENT_SCOPE)
endfunction()

# Copies each "source|name" pair to dir/folder/name whenever the source changes; out receives the
# copies (for a target to depend on).
function(hookwise_stage_pairs out dir folder)
    set(outputs "")
    foreach(pair ${ARGN})
        string(REPLACE "|" ";" parts "${pair}")
        list(GET parts 0 source)
        list(GET parts 1 name)
        set(output ${dir}/${folder}/${name})
        get_filename_component(outputDir ${output} DIRECTORY)
        add_custom_command(OUTPUT ${output}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${outputDir}
            COMMAND ${CMAKE_COMMAND} -E copy_if_different ${source} ${output}
            DEPENDS ${source} VERBATIM)
        list(APPEND outputs ${output})
    endforeach()
    set(${out} ${outputs} PARENT_SCOPE)
endfunction()

# Installs each "source|name" pair as folder/name of the program folder (name may hold a folder).
function(hookwise_install_pairs folder)
    foreach(pair ${ARGN})
        string(REPLACE "|" ";" parts "${pair}")
        list(GET parts 0 source)
        list(GET parts 1 name)
        get_filename_component(sub ${name} DIRECTORY)
        get_filename_component(file ${name} NAME)
        if(sub)
            set(sub "/${sub}")
        endif()
        install(FILES ${source} DESTINATION ${HOOKWISE_INSTALL_DIR}/${folder}${sub} RENAME ${file})
    endforeach()
endfunction()

function(hookwise_stage_movies target dir)
    hookwise_movie_folder(folder)
    hookwise_movie_files(pairs)
    hookwise_movie_folder_files(folders)
    list(APPEND pairs ${folders})
    hookwise_stage_pairs(outputs ${dir} ${folder} ${pairs})
    add_custom_target(${target}_movies DEPENDS ${outputs})
    add_dependencies(${target} ${target}_movies)
endfunction()
