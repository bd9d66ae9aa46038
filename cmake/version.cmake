# The version number, set once by project(... VERSION) in CMakeLists.txt, put
# into the core library (base/version.h) for `tolvern --version` and the
# wizard; the packages take their names from the same variable.
configure_file(${PROJECT_SOURCE_DIR}/src/base/version.cc.in ${CMAKE_BINARY_DIR}/generated/version.cc
               @ONLY)
target_sources(tolvern_core PRIVATE ${CMAKE_BINARY_DIR}/generated/version.cc)
