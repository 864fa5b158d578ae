#pragma once
// The calling thread's own object of a type, for scratch space and per-thread state that code run
// while the program ends may still reach. A thread_local object is destroyed before the process's
// exit handlers and static destructors run, and those may still measure text or post a message (a
// window freed from atexit); this object lasts through them. A thread's object is destroyed when
// the thread ends; the main thread's lives as long as the process.
//
//   struct TTextScratch { std::u32string Decoded; };   // a type of its own for each use
//   std::u32string& text = PerThread<TTextScratch>().Decoded;

#include <pthread.h>

#include <utility>

namespace lab {

namespace detail {

// A key whose value, a thread's slot, is handed to Free when that thread ends.
pthread_key_t ThreadEndKey(void (*Free)(void* Slot));
void SetThreadEndSlot(pthread_key_t Key, void* Slot);

}  // namespace detail

// One object per type and thread, made (value-initialised) on first use.
template <class T>
T& PerThread() {
  // A plain pointer is never destroyed, so it still reads after the thread's thread_local objects went.
  thread_local constinit T* object = nullptr;
  if (!object) [[unlikely]] {
    static const pthread_key_t key = detail::ThreadEndKey([](void* Slot) { delete std::exchange(*static_cast<T**>(Slot), nullptr); });
    object = new T();
    detail::SetThreadEndSlot(key, &object);
  }
  return *object;
}

}  // namespace lab
