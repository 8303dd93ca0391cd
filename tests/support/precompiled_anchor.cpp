// The one source of the target that compiles the tests' shared precompiled header.
