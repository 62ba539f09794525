// std::atomic_ref for the browser build. Debian's emscripten 3.1.6 ships
// libc++ 13, which predates it; the sound code shares a few plain words with
// the audio callback through it. The browser build force-includes this header
// (-include); with a library that has atomic_ref it adds nothing. Only what the
// project calls is here (load and store with an order), on the compiler's
// __atomic builtins. The browser build has no threads, so the orders matter
// only in that the code stays the same on both builds.
#pragma once

#include <atomic>

#ifndef __cpp_lib_atomic_ref
namespace std {

template <class T>
class atomic_ref {
 public:
  explicit atomic_ref(T& object) noexcept : p_(&object) {}
  T load(memory_order order = memory_order_seq_cst) const noexcept {
    return __atomic_load_n(p_, static_cast<int>(order));
  }
  void store(T value, memory_order order = memory_order_seq_cst) const noexcept {
    __atomic_store_n(p_, value, static_cast<int>(order));
  }

 private:
  T* p_;
};

}  // namespace std
#endif
