// What every test program (and fuzz target) runs with, compiled into each of them; the libraries
// themselves leave the process's settings alone.

#include <cstdlib>

namespace {

// Only the fonts the set-up installs (tests/data/fonts.conf), whatever else the machine has: the
// user's configuration may make "monospace" another font and change what a test measures. Set
// before fontconfig first reads its configuration, which happens on the first font used.
[[maybe_unused]] const bool kFontsChosen = [] {
#ifdef LAB_TEST_DATA_DIR
  setenv("FONTCONFIG_FILE", LAB_TEST_DATA_DIR "/fonts.conf", 1);
#endif
  return true;
}();

}  // namespace

// fontconfig keeps its parsed configuration reachable only through offsets, not pointers, which the
// leak checker of sanitizer builds cannot follow; its memory is not lost.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
