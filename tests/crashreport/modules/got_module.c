/* Calls a routine of the C library through its global offset table. */
#include <unistd.h>

long crtest_got_parent(void) { return (long)getppid(); }
