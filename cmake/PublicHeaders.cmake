# The library's public headers: those of the exported classes (kernel/CKernel*.h),
# GetKernelInstance.h and the extra ones named, with every project header they
# include, found by following their "..." includes. They are linked one by one into
# a view of their own, which is the only project include directory that programs
# using the library get, and the same list is installed. Editing any of them runs
# the configuration again, so a new include is never forgotten.
#
#   tavrpki_public_headers(<out list> <view directory> [extra headers...])
function(tavrpki_public_headers out view)
  file(GLOB queue RELATIVE ${PROJECT_SOURCE_DIR} CONFIGURE_DEPENDS
       ${PROJECT_SOURCE_DIR}/kernel/CKernel*.h)
  list(APPEND queue ${ARGN})
  set(seen "")
  while(queue)
    list(POP_FRONT queue header)
    if(header IN_LIST seen)
      continue()
    endif()
    list(APPEND seen ${header})
    set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
                 ${PROJECT_SOURCE_DIR}/${header})
    file(STRINGS ${PROJECT_SOURCE_DIR}/${header} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" included "${line}")
      if(EXISTS ${PROJECT_SOURCE_DIR}/${included})
        list(APPEND queue ${included})
      elseif(NOT EXISTS ${PROJECT_SOURCE_DIR}/gostcrypto/include/${included}
             AND NOT EXISTS ${PROJECT_SOURCE_DIR}/keystore/include/${included})
        message(FATAL_ERROR "${header} includes \"${included}\", which is not a project header")
      endif()
    endforeach()
  endwhile()
  file(REMOVE_RECURSE ${view})
  foreach(header ${seen})
    get_filename_component(directory ${view}/${header} DIRECTORY)
    file(MAKE_DIRECTORY ${directory})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${header} ${view}/${header} SYMBOLIC)
  endforeach()
  set(${out} ${seen} PARENT_SCOPE)
endfunction()
