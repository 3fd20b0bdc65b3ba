if(TAVRPKI_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
if(TAVRPKI_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()
# Fuzz builds instrument the whole library for coverage, not only the fuzz drivers:
# without it libFuzzer sees no edges inside the code under test.
if(TAVRPKI_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
