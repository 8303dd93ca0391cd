# Instrumented builds, each in a build folder of its own:
#   -DTESMARO_SANITIZE=ON  every target with AddressSanitizer and UndefinedBehaviorSanitizer
#                          (UB halts the program), for running the whole test suite;
#   -DTESMARO_TSAN=ON      every target with ThreadSanitizer, for running the window's tests
#                          (`make test-tsan`: chip commands run on a worker thread);
#   -DTESMARO_FUZZ=ON      clang only: the libraries with fuzzer coverage plus ASan and UBSan,
#                          and the libFuzzer targets of fuzz/ (target fuzz_targets).
option(TESMARO_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(TESMARO_TSAN "Build with ThreadSanitizer" OFF)
option(TESMARO_FUZZ "Build the libFuzzer targets (clang)" OFF)

if(TESMARO_TSAN AND (TESMARO_SANITIZE OR TESMARO_FUZZ))
  message(FATAL_ERROR "TESMARO_TSAN can't be combined with TESMARO_SANITIZE or TESMARO_FUZZ")
endif()
if(TESMARO_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

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
