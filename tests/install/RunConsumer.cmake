# Installs the built tree into a fresh prefix, then configures, builds and runs
# the consumer project against that prefix only.
# In: BUILD_DIR, WORK_DIR, CONSUMER_DIR, GENERATOR, CXX_COMPILER, CXX_FLAGS.
file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "failed (${result}): ${ARGN}\n${out}")
  endif()
  set(last_output "${out}" PARENT_SCOPE)
endfunction()

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
run(${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${WORK_DIR}/build -G ${GENERATOR}
    -DCMAKE_CXX_COMPILER=${CXX_COMPILER} "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}"
    -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF
    -DCMAKE_FIND_USE_SYSTEM_PACKAGE_REGISTRY=OFF)
run(${CMAKE_COMMAND} --build ${WORK_DIR}/build)
file(MAKE_DIRECTORY ${WORK_DIR}/keys)
# The machine configuration names the installed key storage plugin, as an operator would.
file(GLOB plugin ${prefix}/lib*/tavrpki/libtavrpki-filekeystore.so)
if(NOT plugin)
  message(FATAL_ERROR "the file key storage plugin is not installed under ${prefix}")
endif()
file(WRITE ${WORK_DIR}/system.reg "Windows Registry Editor Version 5.00\r\n\r\n"
  "[HKEY_LOCAL_MACHINE\\SOFTWARE\\TAVR_PKI]\r\n\"KeyStorageManager\"=\"${plugin}\"\r\n")
set(ENV{TAVR_PKI_SYSTEM_CONFIG} ${WORK_DIR}/system.reg)
set(ENV{CONSUMER_STORE} ${WORK_DIR}/store.db)
foreach(program consumer_shared consumer_static consumer_pkgconfig consumer_store)
  run(${WORK_DIR}/build/${program})
  if(NOT last_output MATCHES "consumer ok")
    message(FATAL_ERROR "${program}: ${last_output}")
  endif()
endforeach()
file(REMOVE_RECURSE ${WORK_DIR})
