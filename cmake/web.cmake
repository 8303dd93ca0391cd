# The browser build: options of every WebAssembly target and GoogleTest compiled from Debian's
# source package with the same compiler. Included by the top CMakeLists.txt under Emscripten
# (`make web`, which configures build-web/ with emcmake).

# C++ exceptions are caught (Emscripten turns catching off by default); the memory grows as the
# 1 MiB images and the tests need it.
add_compile_options(-fexceptions)
add_link_options(-fexceptions -sALLOW_MEMORY_GROWTH=1)

# GoogleTest and GoogleMock from /usr/src/googletest (the `googletest` package), as the targets
# GTest::gtest, GTest::gtest_main and GTest::gmock that the test folders link.
set(TESMARO_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's sources for the browser build")
if(NOT EXISTS ${TESMARO_GTEST_SOURCE}/googletest/src/gtest-all.cc)
  message(FATAL_ERROR "GoogleTest's sources are missing at ${TESMARO_GTEST_SOURCE}: install the googletest package")
endif()
set(gtest_root ${TESMARO_GTEST_SOURCE}/googletest)
set(gmock_root ${TESMARO_GTEST_SOURCE}/googlemock)
add_library(tesmaro_web_gtest STATIC ${gtest_root}/src/gtest-all.cc ${gmock_root}/src/gmock-all.cc)
target_include_directories(tesmaro_web_gtest SYSTEM PUBLIC ${gtest_root}/include ${gmock_root}/include)
target_include_directories(tesmaro_web_gtest PRIVATE ${gtest_root} ${gmock_root})
# Without threads: the WebAssembly build has none.
target_compile_definitions(tesmaro_web_gtest PUBLIC GTEST_HAS_PTHREAD=0)
target_compile_options(tesmaro_web_gtest PRIVATE -w)
add_library(tesmaro_web_gtest_main STATIC ${gtest_root}/src/gtest_main.cc)
target_link_libraries(tesmaro_web_gtest_main PUBLIC tesmaro_web_gtest)
add_library(GTest::gtest ALIAS tesmaro_web_gtest)
add_library(GTest::gmock ALIAS tesmaro_web_gtest)
add_library(GTest::gtest_main ALIAS tesmaro_web_gtest_main)
