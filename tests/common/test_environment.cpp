// What every test program (and fuzz target) runs with, compiled into each of them; the libraries
// themselves leave the process's settings alone.

// fontconfig keeps its parsed configuration reachable only through offsets, not pointers, which the
// leak checker of sanitizer builds cannot follow; its memory is not lost.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
