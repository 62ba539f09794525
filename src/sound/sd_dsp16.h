// SDL audio device: opens SDL audio in mono (16-bit signed at 44100 Hz and
// above, 8-bit unsigned below), installs its lifecycle operations and the
// mixer's channel operations, and names the audio callback its installer is
// given (the music front end's mix_newhand) as SDL's callback.
#pragma once

#include <cstdint>

struct SDL_AudioSpec;

// The buffer SDL is asked for, in sample frames: 4096 bytes at 16 bits, 2048
// at 8 bits. The music's callback needs at least one tick slice (938 samples
// at 44100 / 47) per buffer. Whoever runs that callback without SDL (the
// demo without a device, the offline tools) hands it buffers of this size, so
// that the music comes out as SDL would have it.
inline constexpr int32_t SD_DSP16_BUFFER_SAMPLES = 2048;

extern int32_t basefreq;        // 44100 at start, then the rate last passed to dsp16_initcard
extern SDL_AudioSpec wanted;    // the request last handed to SDL_OpenAudio

// SDL's audio callback: fills len bytes of stream on SDL's audio thread.
using sd_dsp16_callback = void (*)(void* userdata, uint8_t* stream, int len);

// Opens SDL audio (paused) with callback filling its buffers and installs the
// device: 1 on success, 0 on failure (sd_errorstr = "SDL audio error", the
// table untouched).
int32_t sd_dsp16_init(int32_t rate, sd_dsp16_callback callback);
// For the tools: opens SDL audio (paused) at rate, 16-bit signed, with up to
// channels channels (1 or 2), and installs the device as sd_dsp16_init does.
// Returns the channels the callback fills: 2 only where the output itself
// has two, else 1 (SDL converts); 0 on failure (sd_errorstr set, the table
// untouched). The demo opens its mono output with sd_dsp16_init.
int32_t sd_dsp16_init_channels(int32_t rate, int32_t channels, sd_dsp16_callback callback);
// Opens the SDL audio output only, with callback: 1 on success, 0 on failure.
int32_t dsp16_initcard(int32_t rate, sd_dsp16_callback callback);
// The device reports itself present: always 1.
int32_t sd_dsp16_detect();

// Lifecycle operations that sd_dsp16_init installs.
void dsp16_init();            // sd_init: sd_mix_init(basefreq)
void dsp16_start();           // sd_start: nothing (SDL_PauseAudio(0) starts the sound)
void dsp16_stop();            // sd_stop: nothing
void dsp16_shutdown();        // sd_shutdown: SDL_CloseAudio()
void dsp16_dummyfunction();   // sd_secondhand: nothing
