// Sanitizer defaults for the programs that run the embedded database engine
// in-process (the sample database builder, the directory program, their
// tests and benchmarks); compiled to
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
// The engine loads ICU for its collations and leaves ICU's data caches
// allocated at process end (tests/lsan.supp says the same for the tests), so
// the programs end cleanly without a suppressions file in the environment.
extern "C" const char* __lsan_default_suppressions() { return "leak:libicuuc.so\n"; }
#endif
