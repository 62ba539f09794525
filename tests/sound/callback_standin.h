// Stand-in for the music front end's audio callback, which the SDL device
// names: the sound tests link the sound system alone. It records how often it
// was called and the buffer length of the last and the first calls, and fills
// the buffer with silence.
#pragma once

#include <atomic>

extern std::atomic<int> standin_calls;
extern std::atomic<int> standin_first_len;
extern std::atomic<int> standin_last_len;

// Clears the record (call with the audio output closed or paused).
void standin_reset();
