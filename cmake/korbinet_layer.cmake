# korbinet_layer(name DIRECTORY dir [FILES file...] [SOURCES src...] [USES target...])
#
# One folder of the program as a library target that sees only itself and the
# layers it names. Its include path is a folder in the build tree holding one
# link, named like the source folder, to that folder (or, with FILES, to just
# those files of it). The layers in USES pass their own include folders on, so
# a target sees what it uses and what those use, never a layer above: an
# upward #include finds no file and fails to compile.
#
# Without SOURCES the layer is declarations only (an INTERFACE target).
function(korbinet_layer name)
  cmake_parse_arguments(PARSE_ARGV 1 layer "" "DIRECTORY" "FILES;SOURCES;USES")
  if(NOT layer_DIRECTORY)
    message(FATAL_ERROR "korbinet_layer(${name}): DIRECTORY is required")
  endif()
  cmake_path(ABSOLUTE_PATH layer_DIRECTORY NORMALIZE OUTPUT_VARIABLE dir)
  cmake_path(GET dir FILENAME folder)
  set(include ${CMAKE_BINARY_DIR}/layers/${name})
  # Links from an earlier configure may point elsewhere; start afresh.
  file(REMOVE_RECURSE ${include})
  if(layer_FILES)
    file(MAKE_DIRECTORY ${include}/${folder})
    foreach(file IN LISTS layer_FILES)
      file(CREATE_LINK ${dir}/${file} ${include}/${folder}/${file} SYMBOLIC)
    endforeach()
  else()
    file(MAKE_DIRECTORY ${include})
    file(CREATE_LINK ${dir} ${include}/${folder} SYMBOLIC)
  endif()

  if(layer_SOURCES)
    set(sources)
    foreach(source IN LISTS layer_SOURCES)
      cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${dir})
      list(APPEND sources ${source})
    endforeach()
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${include})
    target_link_libraries(${name} PUBLIC ${layer_USES})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${include})
    target_link_libraries(${name} INTERFACE ${layer_USES})
  endif()
endfunction()
