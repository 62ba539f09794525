// The demo's music without an audio device, the way to a chosen scene, and
// the music's start that ends the start-up (see demo_music.cpp).
#pragma once

#include <cstdint>

#include "sound/sd_dsp16.h"  // SD_DSP16_BUFFER_SAMPLES

// The callback buffer the demo's music is rendered in when it runs without an
// audio device: the size SDL is asked for (2048 16-bit samples at 44100 Hz).
inline constexpr int32_t DEMO_PUMP_SAMPLES = SD_DSP16_BUFFER_SAMPLES;

// Samples of music demo_music_pump has rendered since the music started (the
// start-up sets it to 0 before its first pump).
extern int64_t demo_pumped;
// Called with every block demo_music_pump renders (DEMO_PUMP_SAMPLES 16-bit
// samples in host order), so an offline tool can keep the sound; null: none.
extern void (*demo_pump_sink)(const uint8_t* block, int32_t bytes);

// Start-up steps 6 and 7 after demo_open: starts the music, returns once its
// first tick has run, and takes the time base.
void demo_start_music();
// Runs the show from its start, silently and unseen, until the music reaches
// position to (or the song ends): the music rendered (or ticked, with the
// silent device) as the frame loop would, and a frame step every
// DEMO_SEEK_STEP_MS of music, so each scene on the way is set up and its
// drawings drawn. Call before the music starts. Returns the milliseconds of
// music run, the tid the next frame continues from.
int32_t demo_seek(int32_t to);
// Milliseconds of music between two frame steps of demo_seek.
inline constexpr int32_t DEMO_SEEK_STEP_MS = 100;
// demo_seek gives up after this much music (a song that never gets there).
inline constexpr int32_t DEMO_SEEK_LIMIT_MS = 3600 * 1000;
// The first music position of scene 1..10.
int32_t demo_scene_position(int scene);
// Without an audio device: runs the audio callback on 2048-sample buffers
// until the music rendered goes past ms milliseconds (nothing when it already
// does), or until the position reaches the end position.
void demo_music_pump(int32_t ms);
// One buffer of that rendering, whatever the position: the audio callback on
// DEMO_PUMP_SAMPLES samples, counted in demo_pumped and handed to
// demo_pump_sink.
void demo_music_block();
