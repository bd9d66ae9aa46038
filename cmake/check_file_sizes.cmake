# Fails when a source file of src/, apps/ or tests/ is longer than LIMIT lines
# (500 unless given), naming each one with its length: a file that long holds
# more than one concept and is split into file pairs of its own.
#   cmake -DROOT=<source dir> [-DLIMIT=500] -P check_file_sizes.cmake
if(NOT ROOT)
  message(FATAL_ERROR "usage: cmake -DROOT=DIR [-DLIMIT=N] -P check_file_sizes.cmake")
endif()
if(NOT LIMIT)
  set(LIMIT 500)
endif()
get_filename_component(ROOT "${ROOT}" ABSOLUTE)
file(GLOB_RECURSE files RELATIVE ${ROOT} ${ROOT}/src/*.h ${ROOT}/src/*.cc ${ROOT}/src/*.cc.in
     ${ROOT}/apps/*.h ${ROOT}/apps/*.cc ${ROOT}/tests/*.h ${ROOT}/tests/*.cc)
list(SORT files)
list(LENGTH files count)
set(offenders)
foreach(file ${files})
  # Lines are counted as wc -l counts them, plus a last line without its end.
  file(READ ${ROOT}/${file} text)
  string(LENGTH "${text}" with_ends)
  string(REPLACE "\n" "" without_ends "${text}")
  string(LENGTH "${without_ends}" without)
  math(EXPR lines "${with_ends} - ${without}")
  if(with_ends GREATER 0 AND NOT text MATCHES "\n$")
    math(EXPR lines "${lines} + 1")
  endif()
  if(lines GREATER LIMIT)
    list(APPEND offenders "${file}: ${lines} lines")
  endif()
endforeach()
if(offenders)
  list(LENGTH offenders over)
  string(REPLACE ";" "\n  " listed "${offenders}")
  message(FATAL_ERROR "${over} of ${count} source files are over ${LIMIT} lines; split them:\n"
                      "  ${listed}")
endif()
message(STATUS "${count} source files, none over ${LIMIT} lines")
