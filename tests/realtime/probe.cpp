// The allocator and lock probe (probe.h). The counters are thread-local and
// plain: only the armed thread writes them, and a thread-local of the program
// itself needs no allocation to reach.
#include "probe.h"

#include <dlfcn.h>
#include <pthread.h>
#include <semaphore.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <new>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define RT_SANITIZER_HOOKS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define RT_SANITIZER_HOOKS 1
#endif
#endif

namespace {

thread_local bool t_armed = false;
thread_local rt_counts t_counts;

enum class kind { alloc, release, lock };

inline void note(kind k, const char* what, const void* caller) {
  if (!t_armed) return;
  if (t_counts.first == nullptr) {
    t_counts.first = what;
    t_counts.caller = caller;
  }
  if (k == kind::alloc) t_counts.allocs++;
  if (k == kind::release) t_counts.frees++;
  if (k == kind::lock) t_counts.locks++;
}

}  // namespace

void rt_arm() {
  t_counts = rt_counts{};
  t_armed = true;
}

rt_counts rt_disarm() {
  t_armed = false;
  return t_counts;
}

void rt_add(rt_counts& a, const rt_counts& b) {
  if (a.first == nullptr) {
    a.first = b.first;
    a.caller = b.caller;
  }
  a.allocs += b.allocs;
  a.frees += b.frees;
  a.locks += b.locks;
}

std::string rt_describe(const rt_counts& c) {
  char line[256];
  std::snprintf(line, sizeof line, "%llu allocations, %llu frees, %llu locks; first: %s (called from %p)",
                static_cast<unsigned long long>(c.allocs), static_cast<unsigned long long>(c.frees),
                static_cast<unsigned long long>(c.locks), c.first ? c.first : "none", c.caller);
  return line;
}

// ---- Allocations -----------------------------------------------------------------

#ifdef RT_SANITIZER_HOOKS

extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*malloc_hook)(const volatile void*, size_t),
                                                         void (*free_hook)(const volatile void*));

namespace {
void on_malloc(const volatile void*, size_t) { note(kind::alloc, "allocation (sanitizer hook)", nullptr); }
void on_free(const volatile void* p) {
  if (p) note(kind::release, "free (sanitizer hook)", nullptr);
}
// Installed before main, so before any test arms.
const int hooks_installed = __sanitizer_install_malloc_and_free_hooks(on_malloc, on_free);
}  // namespace

#else

// The C library's own entry points, which its malloc, free, ... are names for.
extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);
void __libc_free(void*);
}

#define RT_CALLER __builtin_return_address(0)

extern "C" {
void* malloc(size_t n) noexcept {
  note(kind::alloc, "malloc", RT_CALLER);
  return __libc_malloc(n);
}
void* calloc(size_t count, size_t n) noexcept {
  note(kind::alloc, "calloc", RT_CALLER);
  return __libc_calloc(count, n);
}
void* realloc(void* p, size_t n) noexcept {
  note(kind::alloc, "realloc", RT_CALLER);
  return __libc_realloc(p, n);
}
void free(void* p) noexcept {
  if (p) note(kind::release, "free", RT_CALLER);
  __libc_free(p);
}
void* memalign(size_t align, size_t n) noexcept {
  note(kind::alloc, "memalign", RT_CALLER);
  return __libc_memalign(align, n);
}
void* aligned_alloc(size_t align, size_t n) noexcept {
  note(kind::alloc, "aligned_alloc", RT_CALLER);
  return __libc_memalign(align, n);
}
int posix_memalign(void** out, size_t align, size_t n) noexcept {
  note(kind::alloc, "posix_memalign", RT_CALLER);
  if (align < sizeof(void*) || (align & (align - 1)) != 0) return EINVAL;
  void* p = __libc_memalign(align, n);
  if (!p) return ENOMEM;
  *out = p;
  return 0;
}
}

namespace {
void* new_block(size_t n, const void* caller, const char* what) {
  note(kind::alloc, what, caller);
  for (;;) {
    if (void* p = __libc_malloc(n ? n : 1)) return p;
    std::new_handler h = std::get_new_handler();
    if (!h) throw std::bad_alloc();
    h();
  }
}
void* new_aligned(size_t n, std::align_val_t al, const void* caller) {
  note(kind::alloc, "aligned operator new", caller);
  if (void* p = __libc_memalign(static_cast<size_t>(al), n ? n : 1)) return p;
  throw std::bad_alloc();
}
void delete_block(void* p, const void* caller) {
  if (p) note(kind::release, "operator delete", caller);
  __libc_free(p);
}
}  // namespace

void* operator new(size_t n) { return new_block(n, RT_CALLER, "operator new"); }
void* operator new[](size_t n) { return new_block(n, RT_CALLER, "operator new[]"); }
void* operator new(size_t n, const std::nothrow_t&) noexcept {
  try {
    return new_block(n, RT_CALLER, "operator new (nothrow)");
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](size_t n, const std::nothrow_t&) noexcept {
  try {
    return new_block(n, RT_CALLER, "operator new[] (nothrow)");
  } catch (...) {
    return nullptr;
  }
}
void* operator new(size_t n, std::align_val_t al) { return new_aligned(n, al, RT_CALLER); }
void* operator new[](size_t n, std::align_val_t al) { return new_aligned(n, al, RT_CALLER); }
void operator delete(void* p) noexcept { delete_block(p, RT_CALLER); }
void operator delete[](void* p) noexcept { delete_block(p, RT_CALLER); }
void operator delete(void* p, size_t) noexcept { delete_block(p, RT_CALLER); }
void operator delete[](void* p, size_t) noexcept { delete_block(p, RT_CALLER); }
void operator delete(void* p, const std::nothrow_t&) noexcept { delete_block(p, RT_CALLER); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { delete_block(p, RT_CALLER); }
void operator delete(void* p, std::align_val_t) noexcept { delete_block(p, RT_CALLER); }
void operator delete[](void* p, std::align_val_t) noexcept { delete_block(p, RT_CALLER); }
void operator delete(void* p, size_t, std::align_val_t) noexcept { delete_block(p, RT_CALLER); }
void operator delete[](void* p, size_t, std::align_val_t) noexcept { delete_block(p, RT_CALLER); }

#endif

// ---- Locks -------------------------------------------------------------------------
//
// Each forwards to the next definition after the program's own (the C
// library's, or a sanitizer's), looked up once by name.

namespace {
template <class Fn>
Fn next_definition(std::atomic<Fn>& cache, const char* name) {
  Fn f = cache.load(std::memory_order_acquire);
  if (!f) {
    f = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, name));
    if (!f) std::abort();
    cache.store(f, std::memory_order_release);
  }
  return f;
}
}  // namespace

#define RT_FORWARD(name, params, args, ...)                          \
  extern "C" int name params __VA_ARGS__ {                           \
    note(kind::lock, #name, __builtin_return_address(0));            \
    static std::atomic<int(*) params> real{nullptr};                 \
    return next_definition(real, #name) args;                        \
  }

// (noexcept where the C library's headers declare them so.) Condition waits
// are not listed: the mutex they need is locked, and counted, first.
RT_FORWARD(pthread_mutex_lock, (pthread_mutex_t * m), (m), noexcept)
RT_FORWARD(pthread_mutex_trylock, (pthread_mutex_t * m), (m), noexcept)
RT_FORWARD(pthread_mutex_timedlock, (pthread_mutex_t * m, const struct timespec* t), (m, t), noexcept)
RT_FORWARD(pthread_rwlock_rdlock, (pthread_rwlock_t * l), (l), noexcept)
RT_FORWARD(pthread_rwlock_wrlock, (pthread_rwlock_t * l), (l), noexcept)
RT_FORWARD(pthread_rwlock_tryrdlock, (pthread_rwlock_t * l), (l), noexcept)
RT_FORWARD(pthread_rwlock_trywrlock, (pthread_rwlock_t * l), (l), noexcept)
RT_FORWARD(pthread_spin_lock, (pthread_spinlock_t * l), (l), noexcept)
RT_FORWARD(sem_wait, (sem_t * s), (s))
RT_FORWARD(sem_timedwait, (sem_t * s, const struct timespec* t), (s, t))
