# Blowfish: Tesmaro's cipher beside OpenSSL's low-level Blowfish on the same key and data.
find_package(OpenSSL REQUIRED COMPONENTS Crypto)
tesmaro_bench(bench_crypto SOURCES bench_crypto.cpp LIBS tesmaro_crypto OpenSSL::Crypto)
