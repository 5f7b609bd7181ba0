# tessaly_layer(NAME SOURCES... [DEPENDS layers...] [LIBRARIES libraries...])
#
# A layer is one folder and one static library that exposes only its own
# headers: the library's include folder holds a single link, NAME, to the
# layer's folder, so "NAME/Header.h" is all a user of it reaches. A layer sees
# the headers of the layers it DEPENDS on, and nothing else of the source
# tree; an include of any other layer's header does not compile
# (tests/layers checks the direction as well).
function(tessaly_layer name)
  cmake_parse_arguments(PARSE_ARGV 1 LAYER "" "" "DEPENDS;LIBRARIES")
  set(folder "${CMAKE_BINARY_DIR}/layers/${name}")
  file(MAKE_DIRECTORY "${folder}")
  if(NOT EXISTS "${folder}/${name}")
    file(CREATE_LINK "${CMAKE_SOURCE_DIR}/${name}" "${folder}/${name}" SYMBOLIC)
  endif()
  add_library(${name} STATIC ${LAYER_UNPARSED_ARGUMENTS})
  target_include_directories(${name} PUBLIC "${folder}")
  target_link_libraries(${name} PUBLIC ${LAYER_DEPENDS} PRIVATE ${LAYER_LIBRARIES})
endfunction()
