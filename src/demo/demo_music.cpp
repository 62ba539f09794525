// The demo's music without an audio device, and the way to a chosen scene:
// the audio callback run by the frame loop on buffers of the size SDL would
// hand it (a time scale, offline tools), the show run unseen up to a scene
// (--start), and the music's start that ends the start-up. Owns the samples
// rendered so far and the block they are rendered in.
#include "demo/demo_music.h"

#include "demo/demo.h"
#include "demo/options.h"
#include "demo/timeline.h"
#include "music/cool_mzx.h"
#include "music/mzx_sync.h"
#include "player/pt.h"
#include "sound/sd_mix.h"

int64_t demo_pumped = 0;
void (*demo_pump_sink)(const uint8_t* block, int32_t bytes) = nullptr;

namespace {

uint8_t pump_block[DEMO_PUMP_SAMPLES * 2];

// Whether the music rendered here has gone back to an earlier order entry
// than from, the one it stood in when the rendering began (the song's end,
// mzx_song_went_back, against that order held). The frame step before has
// seen that order, so the frame step after sees the end.
bool went_back_from(int32_t from) { return mzx_song_went_back(mzx_position(), from); }

}  // namespace

void demo_music_pump(int32_t ms) {
  const int64_t due = int64_t{ms} * SD_OUTPUT_RATE / 1000;
  // A frame sees the music as the audio thread would have left it when the
  // sample at its time is due to play: the buffer holding that sample has
  // been rendered. Frames closer together than a buffer render nothing new,
  // so the music keeps to the clock at any frame rate.
  // It stops at the end position: at a high time scale (or in a slow build)
  // one frame may span more music than the song stands there, and running on
  // would let the song restart before any frame saw the end.
  // So it stops where the song ends too (mzx_song_went_back).
  const int32_t from = mzx_order_of(mzx_position());
  while (demo_pumped <= due && mzx_position() < STOP_POSITION && !went_back_from(from)) demo_music_block();
}

void demo_music_block() {
  mix_newhand(nullptr, pump_block, static_cast<int>(sizeof pump_block));
  demo_pumped += DEMO_PUMP_SAMPLES;
  if (demo_pump_sink) demo_pump_sink(pump_block, static_cast<int32_t>(sizeof pump_block));
}

int32_t demo_scene_position(int scene) {
  // Every scene's window begins on the first row of an order entry.
  int32_t pos = 0;
  while (pos < STOP_POSITION && timeline_scene_of(pos) < scene) pos += 100;
  return pos;
}

namespace {

// The silent device has no mixer to render through: its ticks are run as its
// timer would run them, one every 1/MZX_DEMO_HZ s of music.
void seek_ticks(int32_t ms, int64_t& ticks) {
  const int64_t due = int64_t{ms} * MZX_DEMO_HZ / 1000 + 1;
  const int32_t from = mzx_order_of(mzx_position());
  while (ticks < due && mzx_position() < STOP_POSITION && !went_back_from(from)) {
    pt_play();
    update_sample_trig_times();
    ticks++;
  }
}

}  // namespace

int32_t demo_seek(int32_t to) {
  // No frame is shown and no sound heard: the device (if any) is still
  // paused, so the music is rendered here as the frame loop does without one.
  demo_pumped = 0;
  int64_t ticks = 0;
  timeline_song_order = 0;
  // The callback runs at the rate the music will start at (mzx_start sets it
  // again, and only then un-pauses the device).
  if (screenHz <= 0) screenHz = MZX_DEMO_HZ;
  int32_t t = 0;
  for (;;) {
    if (laite == 0) {
      seek_ticks(t, ticks);
    } else {
      demo_music_pump(t);
    }
    if (mzx_position() >= to || stopcount != 0) return t;
    demo_frame_step(t);
    if (stopcount != 0 || t >= DEMO_SEEK_LIMIT_MS) return t;
    t += DEMO_SEEK_STEP_MS;
  }
}

void demo_start_music() {
  // 6. The music; this returns once its first tick has run. With --start the
  // show is first run unseen up to the scene, and the music goes on from there.
  // 7. The time base (buf already holds a frame of background): the first
  // frame's tid continues from where the seek left the music.
  const int32_t from = opt_start > 1 ? demo_scene_position(opt_start) : 0;
  const int32_t ms = from > 0 ? demo_seek(from) : 0;
  if (demo_time_scale != 0) {
    if (from == 0) {
      demo_pumped = 0;
      demo_music_pump(0);
    }
    timeline_song_order = 0;
  } else {
    music_start_wait();
  }
  const int32_t scale = demo_time_scale != 0 ? demo_time_scale : 1;
  ticks0 = demo_clock() - static_cast<uint32_t>(ms / scale);
  demo_shows++;
}
