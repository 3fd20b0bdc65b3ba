# Runs at install time: installs the public headers of the library and, transitively,
# every project header they include with "...", keeping paths relative to the
# source root. Headers of the core's and the plugin interface's own include
# folders are installed whole elsewhere and skipped here.
# In: TAVRPKI_SOURCE_DIR, TAVRPKI_HEADER_DEST, TAVRPKI_PUBLIC_HEADERS (besides kernel/CKernel*.h).
file(GLOB queue RELATIVE ${TAVRPKI_SOURCE_DIR} ${TAVRPKI_SOURCE_DIR}/kernel/CKernel*.h)
list(APPEND queue ${TAVRPKI_PUBLIC_HEADERS})
set(seen "")
while(queue)
  list(POP_FRONT queue header)
  list(FIND seen ${header} index)  # not IN_LIST: install scripts run under old policies
  if(NOT index EQUAL -1)
    continue()
  endif()
  list(APPEND seen ${header})
  get_filename_component(directory ${header} DIRECTORY)
  file(INSTALL ${TAVRPKI_SOURCE_DIR}/${header} DESTINATION ${TAVRPKI_HEADER_DEST}/${directory})
  file(STRINGS ${TAVRPKI_SOURCE_DIR}/${header} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" included "${line}")
    if(EXISTS ${TAVRPKI_SOURCE_DIR}/${included})
      list(APPEND queue ${included})
    elseif(NOT EXISTS ${TAVRPKI_SOURCE_DIR}/crypto/core/include/${included}
           AND NOT EXISTS ${TAVRPKI_SOURCE_DIR}/keystore/include/${included})
      message(FATAL_ERROR "${header} includes \"${included}\", which is not a project header")
    endif()
  endforeach()
endwhile()
