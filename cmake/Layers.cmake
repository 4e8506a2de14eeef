# The layers and what each may use. A layer's headers are reached as "<layer>/<file>.h" through a
# folder of the build tree that holds a link to that layer's folder alone, so a target's include
# path names exactly the layers it may use, and an #include of any other layer does not compile.
# The interface targets hookwise_layer_<layer> carry those include folders; each links the layers
# below it, so the arrows are written once, here:
#   app -> core, inspector;  core -> engine;  inspector -> engine;  engine -> platform
#   provider -> engine;  tools -> core;  browser -> inspector
# Tests reach their helpers through the "tests" layer. scripts/check-layers.py checks the same
# matrix on the sources (the layers_include_matrix test).

# Sets out to the include folder that holds only the link <layer> -> the source folder <layer>/.
function(hookwise_layer_root layer out)
    set(root ${PROJECT_BINARY_DIR}/layers/${layer})
    if(NOT IS_SYMLINK ${root}/${layer})
        file(MAKE_DIRECTORY ${root})
        file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${layer} ${root}/${layer} SYMBOLIC)
    endif()
    set(${out} ${root} PARENT_SCOPE)
endfunction()

# hookwise_layer(NAME [USES lower layers...]) defines hookwise_layer_<NAME>.
function(hookwise_layer name)
    cmake_parse_arguments(ARG "" "" "USES" ${ARGN})
    hookwise_layer_root(${name} root)
    add_library(hookwise_layer_${name} INTERFACE)
    target_include_directories(hookwise_layer_${name} INTERFACE ${root})
    foreach(lower ${ARG_USES})
        target_link_libraries(hookwise_layer_${name} INTERFACE hookwise_layer_${lower})
    endforeach()
endfunction()

hookwise_layer(platform)
hookwise_layer(engine USES platform)
hookwise_layer(inspector USES engine)
hookwise_layer(core USES engine)
hookwise_layer(provider USES engine)
hookwise_layer(app USES core inspector)
hookwise_layer(tools USES core)
hookwise_layer(browser USES inspector)
hookwise_layer(tests)
