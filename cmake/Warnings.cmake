add_library(tavrpki_warnings INTERFACE)
target_compile_options(tavrpki_warnings INTERFACE -Wall -Wextra -Wpedantic
  $<$<BOOL:${TAVRPKI_WERROR}>:-Werror>)
