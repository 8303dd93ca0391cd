# Precompiled headers: the big third-party headers (Qt, GoogleTest) compiled once per target, or
# once per build tree for the targets that reuse another's.
#
#   tesmaro_precompile_headers(TARGET HEADER...)        TARGET compiles HEADER... once
#   tesmaro_precompile_headers(TARGET REUSE_FROM OTHER) TARGET uses OTHER's (same compiler options)
#
# GCC before 13 loses the "#pragma GCC diagnostic" lines of a header when it is precompiled, and
# with them libstdc++'s own silencing of three flow-based warnings in its string code (GCC 12
# then reports false array-bounds errors in std::string's operator+). Those three warnings are
# off in the targets that use a precompiled header there; the logic libraries keep them.
function(tesmaro_precompile_headers target)
  if(ARGV1 STREQUAL "REUSE_FROM")
    target_precompile_headers(${target} REUSE_FROM ${ARGV2})
  else()
    target_precompile_headers(${target} PRIVATE ${ARGN})
  endif()
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13
     AND NOT CMAKE_DISABLE_PRECOMPILE_HEADERS)
    target_compile_options(${target} PRIVATE -Wno-array-bounds -Wno-stringop-overflow -Wno-stringop-overread)
  endif()
endfunction()
