# Instrumented builds, each in a build folder of its own:
#   -DTESMARO_SANITIZE=ON  every target with AddressSanitizer and UndefinedBehaviorSanitizer
#                          (UB halts the program), for running the whole test suite;
#   -DTESMARO_FUZZ=ON      clang only: the libraries with fuzzer coverage plus ASan and UBSan,
#                          and the libFuzzer targets of fuzz/ (target fuzz_targets).
option(TESMARO_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(TESMARO_FUZZ "Build the libFuzzer targets (clang)" OFF)

set(TESMARO_SANITIZER_FLAGS
  -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)

if(TESMARO_SANITIZE OR TESMARO_FUZZ)
  add_compile_options(${TESMARO_SANITIZER_FLAGS})
  add_link_options(-fsanitize=address,undefined)
endif()

if(TESMARO_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "TESMARO_FUZZ needs clang: configure with -DCMAKE_CXX_COMPILER=clang++")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
