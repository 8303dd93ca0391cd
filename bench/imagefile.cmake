# Intel HEX and binary load and save, against srec_cat doing the same conversions.
tesmaro_bench(bench_imagefile SOURCES bench_imagefile.cpp LIBS tesmaro_imagefile)
add_dependencies(bench_imagefile tesmaro-cli)
