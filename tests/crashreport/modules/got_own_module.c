/* Has a routine of a C library routine's name of its own and calls it through its global offset
   table: loaded with its own names first (RTLD_DEEPBIND), the slot is bound to its own routine. */
#include <sys/types.h>

pid_t getpgrp(void) { return 4343; }

long crtest_own_group(void) { return (long)getpgrp(); }
