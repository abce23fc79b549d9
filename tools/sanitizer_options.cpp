// Sanitizer defaults for the programs that run the embedded database engine
// in-process (the sample database builder and its tests); compiled to
// nothing in builds without AddressSanitizer.
//
// The engine's plug-ins are loaded with dlopen and keep thread-local data in
// dynamically allocated TLS blocks. The leak checker's tracking of such
// blocks (through __tls_get_addr) misreads their bounds, depending on the
// heap layout, and crashes at exit while scanning them. Without that
// tracking the blocks are still scanned as heap reachable from the thread's
// vector, so leak detection stays whole. Options given in the environment
// still apply on top of these.

#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __asan_default_options() { return "intercept_tls_get_addr=0"; }
#endif
