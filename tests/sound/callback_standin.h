// Stand-in for the music front end's audio callback, handed to the SDL device
// by the sound tests, which link the sound system alone. It records how often
// it was called and the buffer length of the last and the first calls, and
// fills the buffer with silence.
#pragma once

#include <atomic>
#include <cstdint>

extern std::atomic<int> standin_calls;
extern std::atomic<int> standin_first_len;
extern std::atomic<int> standin_last_len;

// The callback: records the call and writes len bytes of silence.
void standin_callback(void* userdata, uint8_t* stream, int len);
// Clears the record (call with the audio output closed or paused).
void standin_reset();
