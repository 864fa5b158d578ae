/* A library whose start-up, which the loader runs with its lock held, waits until a signal reaches
   the loading thread: a thread stopped while the loader is locked. The test names the signal, and a
   pipe on which the library says that it waits. Or, with CRTEST_LOADER_FAULT set, its start-up
   writes through a null pointer: a fault while the loader is locked. */
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

static int* volatile crtest_null;

// Left to fault under UBSan, whose check would end the program before the fault.
__attribute__((noinline, no_sanitize("undefined"))) void crtest_fault_in_loader(void) { *crtest_null = 1; }

__attribute__((constructor)) static void crtest_wait_in_loader(void) {
  if (getenv("CRTEST_LOADER_FAULT")) crtest_fault_in_loader();
  const char* signal_text = getenv("CRTEST_LOADER_SIGNAL");
  const char* ready_text = getenv("CRTEST_LOADER_READY_FD");
  if (!signal_text || !ready_text) return;
  const int signal_number = atoi(signal_text);
  sigset_t wanted, before, waiting;
  sigemptyset(&wanted);
  sigaddset(&wanted, signal_number);
  pthread_sigmask(SIG_BLOCK, &wanted, &before);
  waiting = before;
  sigdelset(&waiting, signal_number);
  if (write(atoi(ready_text), "r", 1) == 1) sigsuspend(&waiting);
  pthread_sigmask(SIG_SETMASK, &before, NULL);
}
