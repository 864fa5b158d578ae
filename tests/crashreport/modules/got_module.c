/* Calls a routine of the C library through its global offset table. */
#include <unistd.h>

long crtest_got_parent(void) { return (long)getppid(); }

/* The library's own jump to getppid (its PLT entry): it jumps through the slot a hook patches, so the
   slot's value can be read through it. */
const void* crtest_got_parent_thunk(void) {
  const void* thunk;
  __asm__("leaq getppid@PLT(%%rip), %0" : "=r"(thunk));
  return thunk;
}
