// Software mixer: channel and sample records, channel operations, mixing loops
// and output conversion.
//
// Every channel exists twice: the player writes only mix_channels (through the
// operation table), the mixing loops read and advance only the working copies
// in mix_realchannels. At the start of each block mix_copychannel brings the
// working copy up to date, taking over position and step only when the player
// set them anew (the two changed flags).
//
// Fixed point: play positions and steps are unsigned 32.32 numbers of sample
// bytes, held as two 32-bit words (whole part, fraction).
#pragma once

#include <array>
#include <cstdint>

struct mix_sample {
  const int8_t* data;  // signed 8-bit data, owned by the caller, followed by MIX_SAMPLE_SLACK readable bytes
  uint32_t length;     // bytes
  uint32_t loopstart;  // bytes
  uint32_t loopend;    // bytes (loop start + loop length)
  int32_t looping;     // nonzero for a looping sample
};

struct mix_channel {
  const int8_t* data;
  int32_t sample;       // sample number
  int32_t volume;       // 0..64
  uint32_t posfrac;     // position fraction, 1/2^32 byte
  uint32_t pos;         // position, whole bytes
  uint32_t stepfrac;    // step fraction (only its upper 24 bits are ever set)
  uint32_t step;        // step, whole bytes per output sample
  uint32_t loopstart;
  uint32_t loopend;
  int32_t looping;
  uint32_t length;      // end of the sample data in bytes
  int32_t panning;      // 0..255
  int32_t stepchanged;  // set by a period change, taken by the copy
  int32_t poschanged;   // set by an offset change, taken by the copy
};

// Bytes the mixing loops read past a sample's last byte: data[length] (a loop
// that ends at the sample's end, a parked channel) and data[length + 1] (the
// interpolating loops). Whoever holds sample data keeps this many readable
// bytes after it: a module buffer is this much larger than the largest file.
inline constexpr int MIX_SAMPLE_SLACK = 2;
// The highest main volume: four times the default level 63.
inline constexpr int32_t MIX_MAINVOLUME_MAX = 252;
// The demo's output rate (16-bit signed mono), the mixer's rate at start.
inline constexpr int32_t SD_OUTPUT_RATE = 44100;

inline constexpr int MIX_CHANNELS = 32;
inline constexpr int MIX_SAMPLES = 32;
inline constexpr int MIX_BUFFER_VALUES = 20480;  // accumulator: mono samples, or 2 per stereo frame

extern std::array<mix_sample, MIX_SAMPLES> mix_samples;
extern std::array<mix_channel, MIX_CHANNELS> mix_channels;      // player side
extern std::array<mix_channel, MIX_CHANNELS> mix_realchannels;  // working copies
extern mix_channel* curchan;                                    // selected player-side record
extern int32_t mix_curchannel;                                  // its number
extern int32_t mix_mainvolume;       // 63 at start, at most 252
extern int32_t mix_activechannels;   // 4 at start
extern int32_t sd_mix_rate;          // 44100 at start
extern int32_t sd_mix_interpolation; // 0: plain loops
extern std::array<int32_t, MIX_BUFFER_VALUES> mix_buffer32;

// Channel operations (installed in the operation table by sd_mix_setfunctions).
int32_t mix_getsample(int32_t number, const int8_t* data, uint32_t length, uint32_t loopstart,
                      uint32_t loopend, int32_t looping);
void mix_selectchannel(int32_t channel);
void mix_setsample(int32_t number);
void mix_setamigaperiod(int32_t period);
void mix_setvolume(int32_t volume);
void mix_setpanning(int32_t panning);
void mix_setoffset(uint32_t offset);
void mix_setmainvolume(int32_t volume);
void mix_setactivechannels(int32_t count);

// Set-up and block helpers.
void sd_mix_init(int32_t rate);
void sd_mix_initchannel(mix_channel* ch);
void sd_mix_initsample(mix_sample* s);
void mix_copychannel(mix_channel* work, mix_channel* player);
void long_addition(uint32_t* pos, uint32_t* posfrac, uint32_t step, uint32_t stepfrac);

// Channel loops: add count mono values (or stereo frames) of one working copy.
void sd_c_mixmono(mix_channel* ch, int32_t* acc, int32_t count, uint32_t gain);
void sd_c_imixmono(mix_channel* ch, int32_t* acc, int32_t count, uint32_t gain);
void sd_c_mixstereo(mix_channel* ch, int32_t* acc, int32_t count, uint32_t lgain, uint32_t rgain);
void sd_c_imixstereo(mix_channel* ch, int32_t* acc, int32_t count, uint32_t lgain, uint32_t rgain);

// Output conversions from the accumulator, clipping once per value.
void sd_c_mono32tom16i(const int32_t* acc, int16_t* out, int32_t count);
void sd_c_mono32tom8u(const int32_t* acc, uint8_t* out, int32_t count);
void sd_c_stereo32tos16i(const int32_t* acc, int16_t* out, int32_t count);
void sd_c_stereo32tos8u(const int32_t* acc, uint8_t* out, int32_t count);

// Mix count mono samples (or stereo frames) into output: unsigned bytes when
// sixteen is 0, signed 16-bit values otherwise.
void sd_mix_mono(void* output, int32_t count, int32_t sixteen);
void sd_mix_stereo(void* output, int32_t count, int32_t sixteen);
