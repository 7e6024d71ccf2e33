# Compiles two one-line sources with a layer's include path: one including a
# header the layer may use, which must compile, and one including a header of
# a layer above it, which must fail because the file is not found there.
# Arguments: CXX, INCLUDES ("|"-separated), ALLOWED, FORBIDDEN, WORK.
string(REPLACE "|" ";" dirs "${INCLUDES}")
set(flags)
foreach(dir IN LISTS dirs)
  list(APPEND flags -I${dir})
endforeach()
file(MAKE_DIRECTORY ${WORK})

function(compile header result_var output_var)
  string(MAKE_C_IDENTIFIER ${header} stem)
  set(source ${WORK}/${stem}.cpp)
  file(WRITE ${source} "#include \"${header}\"\n")
  execute_process(COMMAND ${CXX} -std=c++20 -fsyntax-only ${flags} ${source}
                  RESULT_VARIABLE result ERROR_VARIABLE output OUTPUT_VARIABLE output)
  set(${result_var} ${result} PARENT_SCOPE)
  set(${output_var} "${output}" PARENT_SCOPE)
endfunction()

compile(${ALLOWED} result output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${ALLOWED} should compile with this layer's include path:\n${output}")
endif()
compile(${FORBIDDEN} result output)
if(result EQUAL 0)
  message(FATAL_ERROR "${FORBIDDEN} compiled with this layer's include path")
endif()
if(NOT output MATCHES "${FORBIDDEN}: No such file")
  message(FATAL_ERROR "${FORBIDDEN} failed for another reason than a missing file:\n${output}")
endif()
