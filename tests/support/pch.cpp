// The target that precompiles GoogleTest's header for every test program.
