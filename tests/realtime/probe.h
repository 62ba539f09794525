// Counts the allocator and lock calls that one thread makes while it is
// armed, for tests that prove a path real-time safe (the audio callback; the
// frame step). The test program that links probe.cpp replaces the allocator
// entry points (malloc, calloc, realloc, free, the aligned allocations and
// every operator new and delete) and the pthread lock functions (mutex,
// rwlock and spin locks, semaphore waits) with counting ones
// that forward to the C library. The program exports them (-rdynamic), so
// calls from shared libraries (SDL, the C++ library) are counted as well.
//
// Under AddressSanitizer or ThreadSanitizer the allocator belongs to the
// sanitizer, which must see every allocation: there the allocations are
// counted through the sanitizer's allocation hooks instead, which it calls for
// malloc and operator new alike; the lock functions are replaced in both.
//
// Not seen: the C library's internal locks (stdio's, the loader's), which do
// not go through the pthread functions, and raw futex system calls.
#pragma once

#include <cstdint>
#include <string>

struct rt_counts {
  uint64_t allocs = 0;  // allocations, reallocations, operator new
  uint64_t frees = 0;   // frees and operator delete of non-null pointers
  uint64_t locks = 0;   // lock, try-lock and wait calls
  const char* first = nullptr;  // what the first counted call was
  const void* caller = nullptr;  // its return address (null when counted through the sanitizer's hooks)
  bool any() const { return allocs != 0 || frees != 0 || locks != 0; }
};

// Starts counting the calling thread's calls from zero.
void rt_arm();
// Stops counting on the calling thread and returns what was counted.
rt_counts rt_disarm();
// Adds b to a (first and caller stay a's unless a has none).
void rt_add(rt_counts& a, const rt_counts& b);
// One line: the counts and the first call, e.g. for a failure message.
std::string rt_describe(const rt_counts& c);

// Runs f with the calling thread armed; the counts of its calls.
template <class F>
rt_counts rt_watch(F&& f) {
  rt_arm();
  f();
  return rt_disarm();
}
