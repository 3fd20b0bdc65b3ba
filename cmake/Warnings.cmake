add_library(tavrpki_warnings INTERFACE)
target_compile_options(tavrpki_warnings INTERFACE -Wall -Wextra -Wpedantic
  $<$<BOOL:${TAVRPKI_WERROR}>:-Werror>)
# GCC 12 at -O3 reports out-of-bounds, over-reading and overlapping copies inside libstdc++'s own
# std::string and std::vector code that cannot happen (GCC bugs 105329, 105651,
# 107852). Real out-of-bounds accesses are the sanitizer build's and the fuzzers' job.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(tavrpki_warnings INTERFACE -Wno-restrict -Wno-array-bounds
    -Wno-stringop-overflow -Wno-stringop-overread)
endif()
