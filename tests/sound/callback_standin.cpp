// Stand-in for the audio callback (see callback_standin.h).
#include "callback_standin.h"

#include <cstdint>
#include <cstring>

std::atomic<int> standin_calls{0};
std::atomic<int> standin_first_len{0};
std::atomic<int> standin_last_len{0};

void standin_reset() {
  standin_calls.store(0);
  standin_first_len.store(0);
  standin_last_len.store(0);
}

void standin_callback(void*, uint8_t* stream, int len) {
  if (len > 0) std::memset(stream, 0, static_cast<size_t>(len));
  if (standin_calls.fetch_add(1) == 0) standin_first_len.store(len);
  standin_last_len.store(len);
}
