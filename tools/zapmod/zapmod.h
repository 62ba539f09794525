// zapmod: a command-line tool for people who make and debug modules, built on
// the demo's own player and mixer. Each subcommand lives in its own file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "music/cool_mzx.h"
#include "sound/sd_mix.h"

inline constexpr const char* ZAPMOD_USAGE =
    "usage: zapmod info FILE\n"
    "       zapmod play FILE [--seconds S] [--volume N] [--hz N | --demo] [--mono] [--separation P]\n"
    "                        [--interp nearest|linear]\n"
    "       zapmod render FILE OUT.wav [--seconds S | --loop N] [--rate 44100|22050] [--volume N]\n"
    "                        [--hz N | --demo] [--stereo] [--separation P] [--interp nearest|linear]\n"
    "       zapmod trace FILE [--ticks N]\n"
    "       zapmod SUBCOMMAND --help | zapmod --version\n";

// Longest --seconds that play and render accept: an hour keeps a 44100 Hz
// 16-bit file's size well inside the 32 bits of its header.
inline constexpr double ZAPMOD_MAX_SECONDS = 3600.0;

// The main volume (the mixer's 0..252). By default play and render choose
// the highest that leaves the module's channels room to sum without clipping
// (song_headroom_volume: 31 for four channels); --demo takes the demo's 64.
inline constexpr int32_t ZAPMOD_AUTO_VOLUME = -1;
inline constexpr int32_t ZAPMOD_DEFAULT_VOLUME = ZAPMOD_AUTO_VOLUME;
inline constexpr int32_t ZAPMOD_DEMO_VOLUME = MZX_START_VOLUME;
inline constexpr int32_t ZAPMOD_MAX_VOLUME = MIX_MAINVOLUME_MAX;
// Ticks per second: 0 (the default) is the module's own timing, 50 a second
// until an Fxx of 32 or more sets its tempo; --hz N fixes the rate (the
// demo runs 47), held to what the music front end accepts.
inline constexpr int32_t ZAPMOD_DEFAULT_HZ = 0;
inline constexpr int32_t ZAPMOD_MAX_HZ = MZX_MAX_HZ;
// Stereo separation in percent. 70 by default: the classic layout at 100
// puts each channel in one ear alone, which on headphones tires and sounds
// torn apart; at 70 the sides stay clear and each ear hears the other
// side's channels about 15 dB down.
inline constexpr int32_t ZAPMOD_DEFAULT_SEPARATION = 70;
// --loop N: the song's end is played through N more times.
inline constexpr int32_t ZAPMOD_MAX_LOOPS = 1000;

inline constexpr int64_t ZAPMOD_DEFAULT_TICKS = 2000;  // trace
inline constexpr int64_t ZAPMOD_MAX_TICKS = 100000000;

// What a command line asks for.
enum zapmod_command : int32_t { ZAPMOD_HELP, ZAPMOD_INFO, ZAPMOD_TRACE, ZAPMOD_PLAY, ZAPMOD_RENDER };

// A parsed command line: the subcommand and what it runs with (defaults where
// the line gives nothing). The texts point into argv.
struct zapmod_args {
  zapmod_command command = ZAPMOD_HELP;
  const char* help = nullptr;  // the usage asked for (the tool's or a subcommand's); command HELP
  bool version = false;        // --version; command HELP
  const char* in = nullptr;   // FILE
  const char* out = nullptr;  // OUT.wav (render)
  double seconds = 0.0;       // play, render: 0 = until Ctrl-C, or until the song's end
  int32_t rate = SD_OUTPUT_RATE;  // render: 44100 or 22050
  int32_t volume = ZAPMOD_DEFAULT_VOLUME;  // ZAPMOD_AUTO_VOLUME: chosen from the channel count
  int32_t hz = ZAPMOD_DEFAULT_HZ;          // 0: the module's own timing
  bool demo = false;                       // --demo: 47 ticks a second and the demo's volume, mono
  bool stereo = false;                     // render --stereo
  bool mono = false;                       // play --mono
  int32_t separation = ZAPMOD_DEFAULT_SEPARATION;
  bool interp = false;                   // --interp linear
  int32_t loops = 0;                     // render --loop N
  int64_t ticks = ZAPMOD_DEFAULT_TICKS;  // trace: 0..ZAPMOD_MAX_TICKS
};

// Parses the whole command line (argv[0] is the program) without acting on
// it. True with args set; false with message = the text for standard error
// (one or more whole lines), for which the exit status is 2.
bool zapmod_parse_args(int argc, char** argv, zapmod_args& args, std::string& message);  // args.cpp

// Each runs a parsed command line and returns the process exit status.
int zapmod_info(const zapmod_args& args);    // cmd_info.cpp
int zapmod_trace(const zapmod_args& args);   // cmd_trace.cpp
int zapmod_play(const zapmod_args& args);    // cmd_play.cpp
int zapmod_render(const zapmod_args& args);  // cmd_render.cpp

// Reads a module file as the demo does (pt_read_file) into buf (resized to
// MODBUF_LIMIT + MODBUF_SPARE and zeroed) and sets size to the bytes read: a
// longer file is taken cut to MODBUF_LIMIT bytes, after a warning. On failure
// prints "zapmod SUB: FILE: reason" on standard error and returns false.
bool zapmod_read(const char* path, std::vector<uint8_t>& buf, int32_t& size);
// Hands a module read by zapmod_read to the player (mzx_get). False after
// "zapmod SUB: FILE: reason"; a file that cuts a sample short is taken with a
// warning.
bool zapmod_take(const char* path, std::vector<uint8_t>& module, int32_t size);
// The warning for a module whose file ends inside a sample (pt_cutsample):
// the player takes it (the rest of the sample is silence), so every command
// goes on with it and exits 0, as the demo does.
void zapmod_warn_cut(const char* path);
