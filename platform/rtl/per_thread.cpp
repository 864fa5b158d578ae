#include "platform/rtl/per_thread.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace lab::detail {

// Without the key a thread's objects could never be freed, and nothing here may raise: the program
// cannot go on.
pthread_key_t ThreadEndKey(void (*Free)(void* Slot)) {
  pthread_key_t key;
  if (const int error = pthread_key_create(&key, Free); error != 0) {
    std::fprintf(stderr, "Cannot create a thread key: %s\n", std::strerror(error));
    std::abort();
  }
  return key;
}

void SetThreadEndSlot(pthread_key_t Key, void* Slot) {
  if (const int error = pthread_setspecific(Key, Slot); error != 0) {
    std::fprintf(stderr, "Cannot set a thread key: %s\n", std::strerror(error));
    std::abort();
  }
}

}  // namespace lab::detail
