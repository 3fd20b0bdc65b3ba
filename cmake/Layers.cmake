# One CMake target per layer of the library, each seeing only the layers its README
# allows. Sources include project headers by folder ("core/Exception.h"), so each
# layer publishes an include directory of its own that holds just one entry, a link
# named after the folder. A layer that includes a folder it was not given fails to
# compile: the rules in the READMEs are the build's rules.
#
#   tavrpki_layer(<folder> [USES <layer targets and libraries>...])
# creates the object library tavrpki_<folder> (a folder "a/b" gives tavrpki_a_b).
# Its sources are added by the folder's own CMakeLists.txt.
set(TAVRPKI_LAYER_VIEWS ${PROJECT_BINARY_DIR}/layers)

function(tavrpki_layer folder)
  cmake_parse_arguments(L "" "" "USES" ${ARGN})
  string(REPLACE "/" "_" name "${folder}")
  set(view ${TAVRPKI_LAYER_VIEWS}/${name})
  get_filename_component(parent ${view}/${folder} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${view}/${folder} SYMBOLIC)
  add_library(tavrpki_${name} OBJECT)
  target_include_directories(tavrpki_${name} PUBLIC $<BUILD_INTERFACE:${view}>)
  target_link_libraries(tavrpki_${name} PUBLIC ${L_USES} PRIVATE tavrpki_warnings)
  set_property(GLOBAL APPEND PROPERTY TAVRPKI_LAYERS tavrpki_${name})
endfunction()
