// zapcapture: the demo rendered offline, on a simulated clock, to video, sound
// and stills, and any moment of it on demand. It runs the demo's own code (the
// asset loading, the timeline with its effects, the player and the mixer)
// without a display or a sound device; each file here is one part of the tool.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gfx/view.h"      // the frame and the screen: FRAME_W, FRAME_H, FRAME_BYTES, SCREEN_H
#include "sound/sd_mix.h"  // the sound: SD_OUTPUT_RATE, 16-bit mono

// ---- Shared sizes ----------------------------------------------------------------

inline constexpr int CAP_PALETTE_BYTES = 768;  // 256 entries of red, green, blue
inline constexpr int CAP_MAX_SCALE = 8;
inline constexpr int CAP_MAX_FPS = 240;
inline constexpr double CAP_MAX_SECONDS = 3600.0;  // longest span; a song that never ends stops here

// ---- Options (args.cpp) ------------------------------------------------------------

struct cap_options {
  // Whole-demo capture.
  const char* video = nullptr;  // OUT.mp4, through ffmpeg
  const char* wav = nullptr;
  const char* frames = nullptr;  // directory of PNG stills
  const char* raw = nullptr;     // directory of NNNNN.frame / NNNNN.pal (both modes)
  int fps = 60;
  int scale = 0;  // 0: 4 for the video, 1 for stills
  double from = 0.0;
  double to = 0.0;  // 0: until the demo stops
  int every = 0;    // 0: every frame unless --at picks some
  std::vector<double> at;
  bool warning = false;  // --warning: the warning card's frames, silent, before the show
  // Script mode.
  const char* script = nullptr;
  bool png = false;
  // The flash check (--flashes) and its table of seconds.
  bool flashes = false;
  const char* seconds = nullptr;
  // Every mode.
  bool gentle = false;         // the gentle show (scene_gentle)
  const char* data = nullptr;  // directory holding data/; null: looked for as the demo does
  bool help = false;           // -h or --help: print the usage and the help text, nothing else
  bool version = false;        // --version: print the version, nothing else
};

// The usage lines, and the help text that follows them for --help (args.cpp).
extern const char* const cap_usage_text;
extern const char* const cap_help_text;

// Parses the whole command line (argv[0] is the program) and checks that the
// options go together, without acting on them. True with o set (o.script set
// for the chosen moments, else the whole-demo capture); false with message =
// the text for standard error (ending with the usage), exit status 2.
bool cap_parse_args(int argc, char** argv, cap_options& o, std::string& message);

// ---- The demo, offline (session.cpp) ----------------------------------------------

// Finds the data as the demo does (demo/datadir.h; given: --data, and only
// that directory), loads it and opens the 8-bit 320x240 screen in memory
// (gfx_memory_screen), cleared to index 0, then sets the frame loop's
// start-up state (scene slots -1, buf filled with the background). False
// after one line on stderr.
bool session_open(const char* given);
// Hands the module to the player with the mixer alone (no sound device) and
// runs the music's first buffer, as the demo's start-up does before it takes
// its time base. Every block of sound rendered from then on goes to sink.
bool session_music(void (*sink)(const uint8_t* block, int32_t bytes));
// Renders the music as the demo's frame loop does without a sound device
// (demo_music_pump): until the buffer holding the sample at ms has run.
void session_music_until(int32_t ms);
// One more buffer of the music, past what the frames needed (the sound of the
// last frame), through the same callback and on to the same sink.
void session_music_block();
// One frame step as the frame loop runs it: dest = buf, tid = t, the timeline.
// Returns the scene (1..10) that ran.
int session_step(int32_t t);
// A frame step with the music position held at pos (no music running).
int session_step_at(int32_t pos, int32_t t);
// The frame the step presents (64000 bytes) and whether it is puh.
const uint8_t* session_frame();
bool session_frame_is_puh();
// The screen's 256 palette entries after the step.
void session_palette(uint8_t rgb[CAP_PALETTE_BYTES]);
// The stop request the step left (stopcount).
int32_t session_stop();
// The music position the last step read.
int32_t session_position();
// The warning card before the show (--warning): its palette set up (begin),
// its frame at t ms of the card drawn as the frame to present (step), and
// the palette and frames given back as the show starts from them (end).
void session_card_begin();
void session_card_step(int32_t t);
void session_card_end();
// The gentle show (true) or the show as it always was, from the next step on.
void session_gentle(bool on);
// Lets go of the screen.
void session_close();

// ---- Files (media.cpp) ------------------------------------------------------------------
// Each writes through tools/common (a temporary file beside the output) and
// reports its own failure, "zapcapture: PATH: reason".

// The presented frame as a palette PNG, upscaled k times (fixed compression,
// no time stamp: the same frame gives the same bytes).
bool still_write(const std::string& path, const uint8_t* frame, const uint8_t* rgb, int k);
// The frame and its palette: DIR/NNNNN.frame and DIR/NNNNN.pal.
bool raw_write(const char* dir, int64_t n, const uint8_t* frame, const uint8_t* rgb);
// dir, made if missing (its parent must exist); *made (when given) tells
// whether this call made it, for a failed run to take it away again.
bool dir_make(const char* dir, bool* made = nullptr);
// Removes dir if `made` says this run made it and it is empty.
void dir_unmake(const char* dir, bool made);
// dir + "/" + frame number in five digits + suffix.
std::string numbered(const char* dir, int64_t n, const char* suffix);

// ---- ffmpeg (encoder.cpp) ----------------------------------------------------------------

// Starts ffmpeg encoding raw RGB frames of w x h at fps, scaled up `scale`
// times by nearest neighbour, into a temporary H.264 file. False with a
// message when ffmpeg is missing or will not start.
bool encoder_open(const char* out, int w, int h, int scale, int fps);
// Where the sound for the video goes when no --wav is asked for: a file in
// the temporary directory, removed with it.
std::string encoder_sound_path();
// Sends one frame (w * h * 3 bytes); false after the message.
bool encoder_frame(const uint8_t* rgb, size_t bytes);
// Ends the video, then muxes it with the sound in wav into out (AAC).
bool encoder_finish(const char* wav);
// Stops ffmpeg and removes the temporary files after a failure.
void encoder_abort();

// ---- Modes ---------------------------------------------------------------------------------

int capture_run(const cap_options& o);  // capture.cpp: the whole demo, or a span of it
int script_run(const cap_options& o);   // script.cpp: chosen moments
int flash_run(const cap_options& o);    // flashes.cpp: the flash check of the show
