# Fails when a C++ file of the tree differs from what clang-format makes of it.
#   cmake -DROOT=<source dir> -DCLANG_FORMAT=<clang-format> -P check_format.cmake
file(GLOB_RECURSE files ${ROOT}/src/*.h ${ROOT}/src/*.cc ${ROOT}/apps/*.cc ${ROOT}/apps/*.h
     ${ROOT}/tests/*.h ${ROOT}/tests/*.cc ${ROOT}/fuzz/*.cc ${ROOT}/bench/*.cc)
list(LENGTH files count)
execute_process(COMMAND ${CLANG_FORMAT} --dry-run --Werror ${files} RESULT_VARIABLE rc
                ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${out}\nRun clang-format -i on the files named above.")
endif()
message(STATUS "${count} files formatted as .clang-format says")
