/* A library that starts a thread of its own, loaded after the crash reporter started: the thread
   recurses until its stack is gone. */
#include <pthread.h>
#include <stddef.h>

static volatile int crtest_depth_seen;

__attribute__((noinline)) int crtest_library_recurse(int depth) {
  volatile char frame[256];
  frame[0] = (char)depth;
  crtest_depth_seen = depth;
  if (depth < 0) return 0; /* never: it recurses until the stack is gone */
  return crtest_library_recurse(depth + 1) + frame[0];
}

static void* crtest_library_thread(void* argument) {
  (void)argument;
  crtest_library_recurse(0);
  return NULL;
}

/* Starts the thread and waits for it (which never ends well). */
void crtest_run_overflowing_thread(void) {
  pthread_t thread;
  if (pthread_create(&thread, NULL, crtest_library_thread, NULL) == 0) pthread_join(thread, NULL);
}
