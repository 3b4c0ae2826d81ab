# kurumin_library(NAME SOURCES file... DEPENDS target...)
#
# One folder, one static library, its files listed and its dependencies
# declared. Beside it a link check links every object of the library with the
# declared dependencies alone, so a call into an undeclared one fails the
# build instead of passing unnoticed inside the program's final link.
function(kurumin_library name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;DEPENDS")
  add_library(${name} STATIC ${arg_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${arg_DEPENDS})

  add_executable(${name}_links ${PROJECT_SOURCE_DIR}/cmake/link_check.cpp)
  target_link_libraries(${name}_links PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,${name}>")
  set_target_properties(${name}_links PROPERTIES RUNTIME_OUTPUT_DIRECTORY
                        ${CMAKE_BINARY_DIR}/link-checks)
endfunction()
